#include "cli/upgrade_command.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonObject>
#include <thread>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/unit_choice.h"
#include "cli/upgrade_progress.h"
#include "driver/switch_model.h"
#include "driver/visa_session.h"
#include "upgrade/upgrade_choice.h"
#include "upgrade/upgrade_thread.h"

namespace {

// Runs the worker to its end. The worker's own waits are bounded, so this
// one is too.
upgrade_result_t transfer(upgrade_progress_t& progress) {
    upgrade_thread_t worker;
    QEventLoop loop;
    QObject::connect(&worker, &upgrade_thread_t::init_progress_bar, &loop,
                     [&](ulong total, uint type) { progress.begin_section(total, type); });
    QObject::connect(&worker, &upgrade_thread_t::send_upgrade_state, &loop,
                     [&](ulong done, bool ok) {
                         if (ok) {
                             progress.advance(done);
                         }
                     });
    // A thread of its own that is joined: Qt 6 frees a QThread's data only
    // after wait() has returned, so kvtctl, ending right after a run, could
    // leave it behind.
    std::thread runner([&] {
        worker.run();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    runner.join();
    progress.finish();
    return worker.result();
}

}  // namespace

cli_status_t run_upgrade(const invocation_t& call) {
    const QString& path = call.arguments.at(0);
    if (!visa_available()) {
        return unit_failure(
            QStringLiteral("an upgrade needs the VISA link, and no VISA library is ready"));
    }
    if (call.several()) {
        return usage_error(QStringLiteral("upgrade takes one unit"));
    }
    // Like the raw commands, no identification first: a unit left in its
    // bootloader by a failed upgrade must still be reachable.
    const unit_result_t found = run_on_units(call, false, [](chosen_unit_t&, unit_result_t&) {
                                    return cli_status_t{};
                                }).first();
    if (!found.status.ok()) {
        return found.status;
    }
    // The upgrade runs on the window's link, as the window's upgrade does.
    chosen_unit_t unit = found.unit;
    if (!visa_connect(unit.name.toUtf8())) {
        return unit.failure(QStringLiteral("cannot be opened"));
    }
    accept_images_of_attached_unit();
    const image_verdict_t verdict = choose_upgrade_image(QFile::encodeName(path));
    if (verdict != image_ok) {
        return unit.named(usage_error(path + QStringLiteral(": ") + image_verdict_text(verdict)));
    }
    upgrade_progress_t progress(upgrade_progress_t::style_for_output(call.json));
    const upgrade_result_t result = transfer(progress);
    const QString failed = QStringLiteral("the upgrade with %1 failed").arg(path);
    if (!result.unit_return.back()) {
        return unit.failure(result.unit_return.text() + QStringLiteral("; ") + failed);
    }
    if (!result.passed) {
        return unit.failure(failed);
    }
    if (identify_model(drv_unit_instance(), unit.info) == nullptr) {
        return unit.failure(QStringLiteral("upgraded, but did not identify itself afterwards"));
    }
    const QString version = QString::fromUtf8(unit.info.software_version);
    if (call.json) {
        print_json(QJsonObject{{QStringLiteral("unit"), unit.name},
                               {QStringLiteral("image"), path},
                               {QStringLiteral("software_version"), version}});
    } else {
        print_line(QStringLiteral("Upgrade OK! Software version %1").arg(version).toUtf8());
    }
    return {};
}
