// kvtctl on a rack against kvtctl on one unit: the units are identified,
// routed and upgraded side by side, so a rack should cost little more than
// one unit.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "bench/bench_table.h"
#include "bench/child_process.h"
#include "upgrade/image_writer.h"

namespace {

constexpr int visa_rack = 24;
constexpr int upgrade_rack = 8;
constexpr int serial_rack = 8;
constexpr int list_timeout_ms = 60000;
constexpr int route_racks[] = {1, 4, 8};

// One run of kvtctl, in milliseconds; negative when it failed.
double run_ms(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess kvtctl;
    kvtctl.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    kvtctl.start(BENCH_KVTCTL_PATH, arguments);
    if (!kvtctl.waitForFinished(list_timeout_ms) || kvtctl.exitCode() != 0) {
        kvtctl.kill();
        kvtctl.waitForFinished(list_timeout_ms);
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// Takes turns between one unit and the rack; false when a run failed.
bool measure(const char* figure, int rack, int rounds, const char* target,
             const QStringList& one_arguments, const QProcessEnvironment& one_environment,
             const QStringList& rack_arguments, const QProcessEnvironment& rack_environment) {
    std::vector<double> one_ms, rack_ms, ratios;
    for (int i = 0; i < rounds; ++i) {
        one_ms.push_back(run_ms(one_arguments, one_environment));
        rack_ms.push_back(run_ms(rack_arguments, rack_environment));
        if (one_ms.back() < 0 || rack_ms.back() < 0) {
            std::fprintf(stderr, "kvtctl %s failed\n", qPrintable(rack_arguments.join(' ')));
            return false;
        }
        ratios.push_back(rack_ms.back() / one_ms.back());
    }
    print_row(figure, summarize(rack_ms), "ms",
              "one unit: " + fixed(summarize(one_ms).median, 0) + " ms",
              fixed(summarize(ratios).median, 2) + " (" + std::to_string(rack) + " units)", target);
    return true;
}

QProcessEnvironment visa_environment(int units) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList list;
    for (int i = 0; i < units; ++i) {
        list << QStringLiteral("KVT0402Q,sn=RACK%1").arg(i);
    }
    environment.insert("LD_LIBRARY_PATH", BENCH_VISA_DIR);
    environment.insert("KVT_VISA_UNITS", list.join(';'));
    return environment;
}

bool run_visa(int rounds) {
    return measure("kvtctl list, 24 units (VISA stand-in)", visa_rack, rounds, "≤ 1.5", {"list"},
                   visa_environment(1), {"list"}, visa_environment(visa_rack));
}

// A small application: the units' fixed pauses, not the bytes, take the time.
bool run_upgrade(int rounds) {
    QTemporaryDir dir;
    const QString path = dir.filePath("rack.ADS");
    QFile file(path);
    const QByteArray image = make_image(700, {{section_application, QByteArray(4096, '\x3c')}});
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    file.close();
    const QStringList upgrade{"--all", "upgrade", path, "--json"};
    return measure("kvtctl upgrade, 8 units at once (VISA stand-in)", upgrade_rack, rounds, "≤ 1.2",
                   upgrade, visa_environment(1), upgrade, visa_environment(upgrade_rack));
}

// Routes over 1, 4 and 8 units against a route over one unit: each unit's
// part (four switches set and read back, each recorded) runs beside the others.
bool run_routes(int rounds) {
    QTemporaryDir dir;
    QStringList routes;
    for (const int units : route_racks) {
        QStringList parts;
        for (int i = 0; i < units; ++i) {
            parts << QStringLiteral(R"("RACK%1": {"A": 2, "B": 2, "C": 2, "D": 2})").arg(i);
        }
        routes << QStringLiteral(R"("r%1": {%2})").arg(units).arg(parts.join(','));
    }
    const QByteArray text = QStringLiteral(R"({"routes": {%1}})").arg(routes.join(',')).toUtf8();
    QFile file(dir.filePath("routes.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    file.close();
    bool done = true;
    for (const int units : route_racks) {
        QProcessEnvironment one = visa_environment(1);
        QProcessEnvironment rack = visa_environment(units);
        for (QProcessEnvironment* environment : {&one, &rack}) {
            environment->insert("XDG_STATE_HOME", dir.filePath("state"));
        }
        const QStringList apply = {"--routes", file.fileName(), "route", "apply"};
        const std::string figure = "kvtctl route apply, " + std::to_string(units) +
                                   (units == 1 ? " unit" : " units") + " (VISA stand-in)";
        done = done && measure(figure.c_str(), units, rounds, "≤ 1.2", apply + QStringList{"r1"},
                               one, apply + QStringList{QStringLiteral("r%1").arg(units)}, rack);
    }
    return done;
}

bool run_serial(int rounds) {
    QStringList units;
    for (int i = 0; i < serial_rack; ++i) {
        units << QStringLiteral("KVT0402Q,sn=RACK%1").arg(i);
    }
    QProcess sim;
    sim.start(BENCH_KVT_SIM_PATH, {"--units", units.join(';')});
    QStringList ports;
    for (const QString& port : sim_ports(first_lines(sim, serial_rack))) {
        ports << "--port" << port;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LD_LIBRARY_PATH");
    const bool done = ports.size() == 2 * serial_rack &&
                      measure("kvtctl list, 8 units (kvt-sim, serial)", serial_rack, rounds,
                              "≤ 1.5", ports.mid(0, 2) + QStringList{"list"}, environment,
                              ports + QStringList{"list"}, environment);
    stop_process(sim);
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    return run_visa(rounds) && run_serial(rounds) && run_routes(rounds) &&
                   run_upgrade(std::max(1, rounds / 3))
               ? 0
               : 1;
}
