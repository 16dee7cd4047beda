// kvtctl's switching history: programs that switch at once lose no record,
// and a history that cannot be written costs one line, not the switch.
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

#include "tests/cli/kvtctl_run.h"

namespace {

const QStringList four_switches = {"set", "A=2", "B=2", "C=2", "D=2"};

QMap<QString, QString> stand_in(const QString& state, const QString& units) {
    return {{"LD_LIBRARY_PATH", VISA_STANDIN_DIR},
            {"KVT_VISA_UNITS", units},
            {"XDG_STATE_HOME", state}};
}

}  // namespace

class test_kvtctl_history : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;

private slots:
    // Each program sets four switches on each of its two units.
    void programs_switching_at_once_lose_no_record_data() {
        QTest::addColumn<int>("programs");
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
        QTest::newRow("four") << 4;
    }

    void programs_switching_at_once_lose_no_record() {
        QFETCH(int, programs);
        const QString state = dir.filePath(QTest::currentDataTag());
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int p = 0; p < programs; ++p) {
            runs.push_back(std::make_unique<QProcess>());
            start_kvtctl(*runs.back(), QStringList{"--all"} + four_switches,
                         stand_in(state, QString("KVT0402Q,sn=P%1-1;KVT0402Q,sn=P%1-2").arg(p)));
        }
        for (const auto& run : runs) {
            QVERIFY(run->waitForFinished(60000));
            QCOMPARE(run->exitCode(), 0);
            QCOMPARE(run->readAllStandardError(), QByteArray());
        }
        const kvtctl_result_t history =
            run_kvtctl({"history", "--json"}, {{"XDG_STATE_HOME", state}});
        KVTCTL_CHECK(history, 0);
        QMap<QString, int> per_unit;
        for (const QJsonValue& value : history.json().array()) {
            const QJsonObject record = value.toObject();
            QCOMPARE(record.value("source").toString(), QString("kvtctl"));
            QCOMPARE(record.value("to").toInt(), 2);
            QCOMPARE(record.value("reply").toString(), QString("1"));
            ++per_unit[record.value("serial_number").toString()];
        }
        QCOMPARE(per_unit.size(), programs * 2);
        for (const int count : per_unit) {
            QCOMPARE(count, 4);
        }
    }

    // The switch is set, whatever becomes of its record.
    void an_unwritable_history_costs_one_line() {
        const QString state = dir.filePath("a-file");
        QFile file(state);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const kvtctl_result_t result =
            run_kvtctl(four_switches + QStringList{"--json"}, stand_in(state, "KVT0402Q,sn=SN"));
        QCOMPARE(result.exit_code, 0);
        QCOMPARE(result.json().object().value("positions").toObject().value("D").toInt(), 2);
        QVERIFY2(result.err.startsWith("kvtctl: switching history not written: ") &&
                     result.err.count('\n') == 1,
                 result.err);
    }

    // Selection and pruning, over one history of two units.
    void history_selects_and_prunes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<int>("records");
        QTest::newRow("all") << QStringList{"history"} << 0 << 8;
        QTest::newRow("one unit") << QStringList{"history", "--unit", "H2"} << 0 << 4;
        QTest::newRow("since long ago")
            << QStringList{"history", "--since", "2000-01-01"} << 0 << 8;
        QTest::newRow("since later")
            << QStringList{"history", "--since", "2999-01-01T00:00:00Z"} << 0 << 0;
        QTest::newRow("no time") << QStringList{"history", "--since", "soon"} << 2 << -1;
        QTest::newRow("pruned") << QStringList{"history", "--prune-before", "2999-01-01"} << 0 << 0;
        QTest::newRow("prune one unit")
            << QStringList{"history", "--unit", "H2", "--prune-before", "2999-01-01"} << 2 << -1;
        QTest::newRow("of units found") << QStringList{"history", "--all"} << 2 << -1;
    }

    void history_selects_and_prunes() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit_code);
        QFETCH(int, records);
        const QString state = dir.filePath(QTest::currentDataTag());
        KVTCTL_CHECK(run_kvtctl(QStringList{"--all"} + four_switches,
                                stand_in(state, "KVT0402Q,sn=H1;KVT0402Q,sn=H2")),
                     0);
        const kvtctl_result_t result = run_kvtctl(arguments, {{"XDG_STATE_HOME", state}});
        KVTCTL_CHECK(result, exit_code);
        if (records >= 0) {
            const kvtctl_result_t after = run_kvtctl(
                arguments.mid(0, arguments.indexOf("--prune-before")) + QStringList{"--json"},
                {{"XDG_STATE_HOME", state}});
            KVTCTL_CHECK(after, 0);
            QCOMPARE(after.json().array().size(), records);
        }
    }
};

QTEST_GUILESS_MAIN(test_kvtctl_history)
#include "test_kvtctl_history.moc"
