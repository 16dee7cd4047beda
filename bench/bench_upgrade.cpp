// How close an upgrade comes to the pauses its protocol prescribes: a
// simulated unit of the VISA stand-in (linked in, so the program's binding
// finds it) takes a 64 KiB application, and the time measured is set against
// the sum of the fixed pauses for that image. Prints one machine-readable line.
// With --resource the unit is that resource instead, e.g. one kvt-lan serves,
// whose own link to its unit adds its pause after each write to the floor.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdlib>

#include "driver/visa_session.h"
#include "upgrade/image_writer.h"
#include "upgrade/upgrade_choice.h"
#include "upgrade/upgrade_thread.h"

namespace {

constexpr int default_size = 64 * 1024;
constexpr int smallest_size = 2048;
constexpr int block_size = 2048;
constexpr unsigned long run_limit_ms = 600000;

// Fixed pauses of the protocol, in ms; every write adds its own 5.
constexpr int write_ms = 5;
constexpr int os_query_ms = write_ms + 100;
constexpr int restart_ms = write_ms + 500;
constexpr int announcement_ms = write_ms + 10;
constexpr int handshake_try_ms = write_ms + 100;
constexpr int fail_mark_ms = write_ms + 10;
constexpr int block_ms = write_ms + 150 + handshake_try_ms;
constexpr int pass_ms = write_ms;

// An application section sent to a unit that runs its application: "OS?",
// restart into the bootloader, announcement with one handshake try, the
// failure mark, the blocks with one try each, the pass, the final restart.
int floor_ms(int size) {
    const int blocks = (size + block_size - 1) / block_size;
    return os_query_ms + restart_ms + announcement_ms + handshake_try_ms + fail_mark_ms +
           blocks * block_ms + pass_ms + restart_ms;
}

// Writes of the section: "OS?", restart, announcement, handshake try, failure
// mark, each block with its handshake try, pass, restart.
int writes(int size) {
    const int blocks = (size + block_size - 1) / block_size;
    return 7 + 2 * blocks;
}

int size_from(const QStringList& args) {
    if (args.contains("--smallest")) {
        return smallest_size;
    }
    const int at = args.indexOf("--size");
    bool ok = false;
    const int size = at < 0 ? default_size : args.value(at + 1).toInt(&ok);
    return at < 0 || (ok && size > 0) ? size : -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    // Failures go to stderr: scripts/bench.sh reads only figures from stdout.
    QTextStream err(stderr);
    const int size = size_from(app.arguments());
    if (size < 0) {
        err << "usage: bench-upgrade [--smallest | --size BYTES] [--resource RESOURCE]\n";
        return 2;
    }
    // The unit restarts at once, so only the program's own pauses and work count.
    qputenv("KVT_VISA_UNITS", "KVT0402Q,sn=BENCH,restart=0");
    const int resource_at = app.arguments().indexOf("--resource");
    const bool remote = resource_at >= 0;
    const QByteArray unit = remote ? app.arguments().value(resource_at + 1).toUtf8()
                                   : QByteArray("USB0::0xA5C3::0x0E21::BENCH::INSTR");
    QTemporaryDir dir;
    QByteArray application(size, '\0');
    for (int i = 0; i < size; ++i) {
        application[i] = char(i * 7);
    }
    const QString path = dir.filePath("bench.ADS");
    QFile file(path);
    if (!visa_available() || !visa_connect(unit) || !file.open(QIODevice::WriteOnly) ||
        file.write(make_image(700, {{section_application, application}})) < 0) {
        err << "cannot prepare the simulated unit or the image\n";
        return 1;
    }
    file.close();
    if (choose_upgrade_image(QFile::encodeName(path)) != image_ok) {
        err << "the image was refused\n";
        return 1;
    }

    upgrade_thread_t worker;
    bool passed = false;
    QObject::connect(
        &worker, &upgrade_thread_t::send_upgrade_success, &worker, [&] { passed = true; },
        Qt::DirectConnection);
    QElapsedTimer timer;
    timer.start();
    worker.start();
    if (!worker.wait(run_limit_ms)) {
        // Returning would destroy a running thread, which aborts.
        err << "the upgrade did not end in time\n";
        err.flush();
        std::_Exit(1);
    }
    if (!passed) {
        err << "the upgrade did not pass\n";
        return 1;
    }
    const double measured = double(timer.nsecsElapsed()) / 1e6;
    const int floor = floor_ms(size) + (remote ? writes(size) * write_ms : 0);
    out << "upgrade_ms=" << QString::number(measured, 'f', 1) << " floor_ms=" << floor
        << " ratio=" << QString::number(measured / floor, 'f', 4) << " bytes=" << size << "\n";
    return 0;
}
