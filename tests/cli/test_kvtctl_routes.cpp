// kvtctl's routes over kvt-sim units of both models: applied whole or put
// back, refused with nothing sent, and told standing or not.
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

#include "tests/cli/kvtctl_run.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/scripted_unit.h"

namespace {

const QByteArray routes_file = R"({
  "routes": {
    "ant1-to-sa": { "R1": { "A": 2, "C": 2 }, "R2": { "A": 3 } },
    "ant2-to-sa": { "R1": { "A": 1 }, "R2": { "A": 4 } },
    "aux": { "R1": { "D": 2 }, "R2": { "B": 6 } },
    "aux-d": { "R1": { "D": 2 } },
    "through-stuck": { "R1": { "B": 2 }, "R3": { "A": 2, "C": 2 } },
    "other-model": { "R2": { "C": 1 } }
  },
  "exclusions": [ [ "ant1-to-sa", "ant2-to-sa" ] ]
})";

// The set commands of both models; reads are all else.
bool is_set(const QByteArray& command) {
    return command.startsWith("SET") || (command.startsWith("SP6T") && command.contains(":STATE:"));
}

}  // namespace

class test_kvtctl_routes : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;

private slots:
    void routes_apply_whole_or_not_at_all_data() {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("applied");
        QTest::addColumn<int>("exit_code");
        // Standing afterwards, as route list tells.
        QTest::addColumn<QStringList>("standing");
        // Set commands the apply sent; -1 for any.
        QTest::addColumn<int>("sets");
        // On standard error.
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("one route, both models") << QStringList{} << QStringList{"ant1-to-sa"} << 0
                                                << QStringList{"ant1-to-sa"} << 3 << QStringList{};
        QTest::newRow("two routes at once")
            << QStringList{} << QStringList{"ant2-to-sa", "aux"} << 0
            << QStringList{"ant2-to-sa", "aux", "aux-d"} << 4 << QStringList{};
        // A switch both routes set alike moves once.
        QTest::newRow("two routes sharing a switch")
            << QStringList{} << QStringList{"aux", "aux-d"} << 0 << QStringList{"aux", "aux-d"} << 2
            << QStringList{};
        QTest::newRow("excluded route stands")
            << QStringList{"ant2-to-sa"} << QStringList{"ant1-to-sa"} << 1
            << QStringList{"ant2-to-sa"} << 0
            << QStringList{
                   "route ant1-to-sa is refused: route ant2-to-sa, which excludes it, "
                   "stands"};
        QTest::newRow("excluded from each other")
            << QStringList{} << QStringList{"ant1-to-sa", "ant2-to-sa"} << 2 << QStringList{} << 0
            << QStringList{"routes ant1-to-sa and ant2-to-sa exclude each other"};
        QTest::newRow("unknown route")
            << QStringList{} << QStringList{"nowhere"} << 2 << QStringList{} << 0
            << QStringList{"no route nowhere in the routes file"};
        QTest::newRow("switch the model lacks")
            << QStringList{} << QStringList{"other-model"} << 2 << QStringList{} << 0
            << QStringList{"route other-model: R2 is a KVT0206Q, which has no switch C"};
        // R1's B, R3's A and C are set; C sticks, so R3's A and R1's B go back.
        QTest::newRow("stuck switch puts the rest back")
            << QStringList{"aux"} << QStringList{"through-stuck"} << 1
            << QStringList{"aux", "aux-d"} << 5
            << QStringList{"R3 at {R3}: switch C did not hold position 2 (reads 1); put back: A=1",
                           "R1 at {R1}: held its part; put back: B=1"};
    }

    void routes_apply_whole_or_not_at_all() {
        QFETCH(QStringList, first);
        QFETCH(QStringList, applied);
        QFETCH(int, exit_code);
        QFETCH(QStringList, standing);
        QFETCH(int, sets);
        QFETCH(QStringList, errors);
        std::vector<std::unique_ptr<served_unit_t>> units;
        QStringList arguments = {"--routes", dir.filePath("routes.json")};
        for (const char* config :
             {"KVT0402Q,sn=R1", "KVT0206Q,sn=R2", "KVT0402Q,sn=R3,faults=stuck:C"}) {
            units.push_back(std::make_unique<served_unit_t>(unit_config(config)));
            arguments << "--port" << units.back()->server.port_name();
        }
        QFile file(dir.filePath("routes.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(routes_file) == routes_file.size());
        file.close();
        const QMap<QString, QString> state = {{"XDG_STATE_HOME", dir.filePath("state")}};
        if (!first.isEmpty()) {
            KVTCTL_CHECK(run_kvtctl(arguments + QStringList{"route", "apply"} + first, state), 0);
        }
        for (const auto& unit : units) {
            unit->server.clear_commands();
        }

        kvtctl_result_t result =
            run_kvtctl(arguments + QStringList{"route", "apply"} + applied, state);
        QCOMPARE(result.exit_code, exit_code);
        for (int i = 0; i < int(units.size()); ++i) {
            for (QString& error : errors) {
                error.replace(QString("{R%1}").arg(i + 1), units[size_t(i)]->server.port_name());
            }
        }
        QStringList lines;
        for (const QByteArray& line : result.err.split('\n')) {
            if (!line.isEmpty()) {
                lines << QString::fromUtf8(line).remove(QRegularExpression("^kvtctl: "));
            }
        }
        std::sort(lines.begin(), lines.end());
        std::sort(errors.begin(), errors.end());
        QCOMPARE(lines, errors);
        int sent = 0;
        for (const auto& unit : units) {
            const QList<QByteArray> commands = unit->server.commands();
            sent += int(std::count_if(commands.cbegin(), commands.cend(), is_set));
        }
        QCOMPARE(sent, sets);

        const kvtctl_result_t list = run_kvtctl(arguments + QStringList{"route", "list", "--json"});
        KVTCTL_CHECK(list, 0);
        QStringList stands;
        for (const QJsonValue& route : list.json().array()) {
            if (route.toObject().value("active").toBool()) {
                stands << route.toObject().value("name").toString();
            }
        }
        QCOMPARE(stands, standing);
    }

    // Each switch is recorded under its route, wear counts the moves, and
    // a saved route stands where it was saved.
    void routes_are_recorded_under_their_names() {
        served_unit_t two(unit_config("KVT0402Q,sn=R1"));
        served_unit_t six(unit_config("KVT0206Q,sn=R2"));
        const QStringList arguments = {"--routes", dir.filePath("routes.json"),
                                       "--port",   two.server.port_name(),
                                       "--port",   six.server.port_name()};
        QFile file(dir.filePath("routes.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(routes_file) == routes_file.size());
        file.close();
        const QMap<QString, QString> state = {{"XDG_STATE_HOME", dir.filePath("recorded")}};
        KVTCTL_CHECK(run_kvtctl(arguments + QStringList{"route", "apply", "ant1-to-sa"}, state), 0);
        KVTCTL_CHECK(run_kvtctl(arguments + QStringList{"route", "apply", "aux"}, state), 0);
        const kvtctl_result_t history = run_kvtctl({"history", "--json"}, state);
        KVTCTL_CHECK(history, 0);
        QStringList seen;
        for (const QJsonValue& value : history.json().array()) {
            const QJsonObject record = value.toObject();
            seen << QString("%1 %2 %3->%4 %5")
                        .arg(record.value("serial_number").toString(),
                             record.value("switch").toString())
                        .arg(record.value("from").toInt())
                        .arg(record.value("to").toInt())
                        .arg(record.value("route").toString());
        }
        std::sort(seen.begin(), seen.end());
        QCOMPARE(seen, (QStringList{"R1 A 1->2 ant1-to-sa", "R1 C 1->2 ant1-to-sa", "R1 D 1->2 aux",
                                    "R2 A 0->3 ant1-to-sa", "R2 B 0->6 aux"}));
        const kvtctl_result_t wear = run_kvtctl({"wear", "--unit", "R2", "--json"}, state);
        KVTCTL_CHECK(wear, 0);
        QCOMPARE(wear.json().array().size(), 2);
        QCOMPARE(wear.json().array()[1].toObject().value("count").toInt(), 1);
        // What the units hold now, saved as a route, stands.
        KVTCTL_CHECK(run_kvtctl(arguments + QStringList{"--unit", "R1", "--unit", "R2", "route",
                                                        "save", "now"}),
                     0);
        // R3, which through-stuck names, is not found, and the list says so.
        const kvtctl_result_t list = run_kvtctl(arguments + QStringList{"route", "list", "--json"});
        KVTCTL_CHECK(list, 1);
        QVERIFY2(list.err.contains("no unit R3 found"), list.err);
        QVERIFY(list.json().array().contains(QJsonObject{{"name", "now"}, {"active", true}}));
    }
};

QTEST_GUILESS_MAIN(test_kvtctl_routes)
#include "test_kvtctl_routes.moc"
