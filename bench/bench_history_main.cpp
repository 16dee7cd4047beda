// kvtctl history --since over a large switching history: the newest
// thousand records of a million, as kvtctl prints them, process start included.
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_table.h"
#include "driver/switch_history.h"

namespace {

constexpr qint64 spacing_ms = 30000;
constexpr int newest = 1000;

// The schema as the core makes it, then the records in one statement: eight
// units, four switches, one record every 30 s up to now.
bool fill(qint64 records, qint64 first_ms) {
    switch_record_t one;
    one.time_ms = first_ms - spacing_ms;
    one.serial_number = "RACK0";
    one.model = "KVT0402Q";
    one.sw = 'A';
    one.source.program = "kvtctl";
    const history_status_t made = record_switch(one);
    if (!made.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(made.error));
        return false;
    }
    bool filled = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench");
        db.setDatabaseName(switch_history_path());
        QSqlQuery insert(db);
        filled = db.open() &&
                 insert.exec(QStringLiteral(
                                 "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                                 "WHERE i < %1) INSERT INTO switching (time, serial_number, model, "
                                 "switch, from_position, to_position, reply, source) SELECT %2 + i "
                                 "* %3, CAST('RACK' || (i % 8) AS BLOB), CAST('KVT0402Q' AS BLOB), "
                                 "char(65 + (i / 8) % 4), 1 + i % 2, 2 - i % 2, CAST('0' AS BLOB), "
                                 "'kvtctl' FROM n")
                                 .arg(records - 2)
                                 .arg(first_ms)
                                 .arg(spacing_ms));
        if (!filled) {
            std::fprintf(stderr, "%s\n", qPrintable(insert.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase("bench");
    return filled;
}

// One run, in milliseconds; negative when it failed or printed too few records.
double run_ms(const QStringList& arguments) {
    QProcess kvtctl;
    QElapsedTimer timer;
    timer.start();
    kvtctl.start(BENCH_KVTCTL_PATH, arguments);
    const bool done = kvtctl.waitForFinished(60000) && kvtctl.exitCode() == 0;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return done && kvtctl.readAllStandardOutput().count("\"time\"") >= newest ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const qint64 records = argc > 2 ? std::max(2 * newest, std::atoi(argv[2])) : 1000000;
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", dir.filePath("state").toUtf8());
    const qint64 first_ms = QDateTime::currentMSecsSinceEpoch() - records * spacing_ms;
    if (!fill(records, first_ms)) {
        std::fprintf(stderr, "cannot fill the switching history\n");
        return 1;
    }
    const QString since =
        QDateTime::fromMSecsSinceEpoch(first_ms + (records - 1 - newest) * spacing_ms, Qt::UTC)
            .toString(Qt::ISODateWithMs);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        ms.push_back(run_ms({"history", "--since", since, "--json"}));
        if (ms.back() < 0) {
            std::fprintf(stderr, "kvtctl history failed\n");
            return 1;
        }
    }
    print_row("kvtctl history --since, newest 1000 of " + std::to_string(records) + " records",
              summarize(ms), "ms", "none: a figure of its own", "—", "≤ 200 ms");
    return 0;
}
