#include "cli/upgrade_command.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <atomic>
#include <csignal>
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/unit_choice.h"
#include "cli/upgrade_progress.h"
#include "driver/switch_model.h"
#include "driver/visa_session.h"
#include "upgrade/upgrade_choice.h"
#include "upgrade/upgrade_commands.h"
#include "upgrade/upgrade_thread.h"

namespace {

// Interrupts of the run so far; the handler may only touch these.
std::atomic<int> interrupts{0};
QByteArray given_up_line;

// The first interrupt ends each upgrade once its block is on the wire; the
// second gives up at once.
extern "C" void on_interrupt(int) {
    if (interrupts.fetch_add(1) == 0) {
        return;
    }
#ifdef _WIN32
    _write(2, given_up_line.constData(), unsigned(given_up_line.size()));
#else
    const ssize_t written = write(2, given_up_line.constData(), size_t(given_up_line.size()));
    static_cast<void>(written);
#endif
    _exit(exit_interrupted);
}

// What finishes an interrupted upgrade: the same command, for this unit.
QString finishing_command(const invocation_t& call, const chosen_unit_t& unit) {
    QStringList words{QStringLiteral("kvtctl")};
    for (const QString& port : call.search.ports) {
        words << QStringLiteral("--port") << port;
    }
    for (const QString& resource : call.search.resources) {
        words << QStringLiteral("--resource") << resource;
    }
    words << QStringLiteral("--unit") << unit.way_to() << QStringLiteral("upgrade")
          << call.arguments.at(0);
    return words.join(QLatin1Char(' '));
}

// Checks the unit's rule for image numbers, sends it the chosen image on its
// own link and tells how it ended.
cli_status_t upgrade_unit(const invocation_t& call, qint32 image_id, upgrade_progress_t& progress,
                          chosen_unit_t& unit, unit_result_t& out) {
    const QString& path = call.arguments.at(0);
    upgrade_identity_t identity;
    // Without the unit's own rule nothing is sent: no rule from elsewhere is
    // its.
    if (!unit.unit->query_upgrade_identity(identity)) {
        return unit.failure(QStringLiteral("did not say which images it takes"));
    }
    const image_acceptance_t rule = {identity.expected_id, identity.min_id, identity.max_id,
                                     identity.exact_flag == 0};
    if (!image_id_admitted(rule, image_id)) {
        return unit.named(
            usage_error(path + QStringLiteral(": ") + image_verdict_text(image_not_accepted)));
    }
    auto& link = static_cast<visa_link_t&>(*unit.link);
    upgrade_thread_t worker(link);
    const int row = progress.add_unit(unit.label().toUtf8());
    QObject::connect(
        &worker, &upgrade_thread_t::init_progress_bar, &worker,
        [&](ulong total, uint type) { progress.begin_section(row, total, type); },
        Qt::DirectConnection);
    QObject::connect(
        &worker, &upgrade_thread_t::send_upgrade_state, &worker,
        [&](ulong done, bool ok) {
            if (ok) {
                progress.advance(row, done);
            }
            // Each step ends with its block on the wire.
            if (interrupts > 0) {
                worker.stop();
            }
        },
        Qt::DirectConnection);
    worker.run();
    const upgrade_result_t result = worker.result();
    // The run followed the unit by its serial number: the messages name it so.
    if (unit.info.serial_number.isEmpty()) {
        unit.info.serial_number = link.serial_number();
    }
    if (result.stopped) {
        const QString state = is_in_bootloader(link)
                                  ? QStringLiteral("the unit waits in its bootloader")
                                  : QStringLiteral("the unit runs its application as before");
        return unit.named({exit_interrupted, QStringLiteral("upgrade interrupted; %1; %2 "
                                                            "finishes the upgrade")
                                                 .arg(state, finishing_command(call, unit))});
    }
    const QString failed = QStringLiteral("the upgrade with %1 failed").arg(path);
    if (!result.unit_return.back()) {
        return unit.failure(result.unit_return.text() + QStringLiteral("; ") + failed);
    }
    if (!result.passed) {
        return unit.failure(failed);
    }
    if (identify_model(*unit.unit, unit.info) == nullptr) {
        return unit.failure(QStringLiteral("upgraded, but did not identify itself afterwards"));
    }
    const QString version = QString::fromUtf8(unit.info.software_version);
    out.json = QJsonObject{{QStringLiteral("unit"), unit.name},
                           {QStringLiteral("image"), path},
                           {QStringLiteral("software_version"), version}};
    out.lines.append(QStringLiteral("Upgrade OK! Software version %1").arg(version).toUtf8());
    return {};
}

}  // namespace

cli_status_t run_upgrade(const invocation_t& call) {
    const QString& path = call.arguments.at(0);
    if (!visa_available()) {
        return unit_failure(
            QStringLiteral("an upgrade needs the VISA link, and no VISA library is ready"));
    }
    // The file is checked once for all units, each unit's rule for image
    // numbers on its own before it is sent a byte.
    image_header_t header{};
    check_image_header(QFile::encodeName(path), header);
    set_image_acceptance(header.image_id, 0, 0, false);
    const image_verdict_t verdict = choose_upgrade_image(QFile::encodeName(path));
    if (verdict != image_ok) {
        return usage_error(path + QStringLiteral(": ") + image_verdict_text(verdict));
    }
    given_up_line = "kvtctl: upgrade given up; a unit may wait in its bootloader; " +
                    QCoreApplication::arguments().join(QLatin1Char(' ')).toLocal8Bit() +
                    " finishes the upgrade\n";
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    upgrade_progress_t progress(upgrade_progress_t::style_for_output(call.json), call.several());
    // Like the raw commands, no identification first: a unit left in its
    // bootloader by a failed upgrade must still be reachable.
    return run_each(call, false, [&](chosen_unit_t& unit, unit_result_t& out) {
        return upgrade_unit(call, header.image_id, progress, unit, out);
    });
}
