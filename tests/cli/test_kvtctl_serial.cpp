#include <QJsonArray>
#include <QJsonObject>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "tests/cli/kvtctl_run.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/scripted_unit.h"

namespace {

const QList<QByteArray> identification = {"OS?", "MN?", "SN?", "SV?", "SHOW:PRODect:ID?"};

QList<QByteArray> identified_then(const QList<QByteArray>& commands) {
    return identification + commands;
}

QJsonObject positions(const QList<QPair<QString, int>>& table) {
    QJsonObject object;
    for (const auto& entry : table) {
        object.insert(entry.first, entry.second);
    }
    return object;
}

}  // namespace

class test_kvtctl_serial : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<served_unit_t> two_port;
    std::unique_ptr<served_unit_t> six_port;

    served_unit_t& unit_named(const QString& serial) {
        return serial == "SN-SIX" ? *six_port : *two_port;
    }

    // kvtctl with both units on its port list.
    kvtctl_result_t kvtctl(const QStringList& arguments) {
        return run_kvtctl(QStringList{"--port", two_port->server.port_name(), "--port",
                                      six_port->server.port_name()} +
                          arguments);
    }

    void clear_commands() {
        two_port->server.clear_commands();
        six_port->server.clear_commands();
    }

private slots:
    // Fresh units for every test: a raw write leaves its answer waiting on the port.
    void init() {
        two_port =
            std::make_unique<served_unit_t>(unit_config("KVT0402Q,sn=SN-TWO,sv=2.1.0,pn=17"));
        six_port = std::make_unique<served_unit_t>(unit_config("KVT0206Q,sn=SN-SIX,sv=3.0.1"));
    }

    void cleanup() {
        two_port.reset();
        six_port.reset();
    }

    void list_identifies_every_unit() {
        const kvtctl_result_t text = kvtctl({"list"});
        KVTCTL_CHECK(text, 0);
        const QList<QByteArray> lines = text.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].simplified(),
                 two_port->server.port_name().toUtf8() + " KVT0402Q SN-TWO 2.1.0 17");
        QCOMPARE(lines[1].simplified(),
                 six_port->server.port_name().toUtf8() + " KVT0206Q SN-SIX 3.0.1 29");

        const kvtctl_result_t json = kvtctl({"list", "--json"});
        KVTCTL_CHECK(json, 0);
        const QJsonArray units = json.json().array();
        QCOMPARE(units.size(), 2);
        QCOMPARE(units[1].toObject(), (QJsonObject{{"unit", six_port->server.port_name()},
                                                   {"model", "KVT0206Q"},
                                                   {"serial_number", "SN-SIX"},
                                                   {"name", "SN-SIX"},
                                                   {"software_version", "3.0.1"},
                                                   {"product_id", "29"},
                                                   {"state", "application"}}));
    }

    void info_of_the_unit_named() {
        // A port path is searched without --port; a port's short name is its path without /dev/.
        const QString path = six_port->server.port_name();
        QVERIFY(path.startsWith("/dev/"));
        for (const kvtctl_result_t& result :
             {kvtctl({"--unit", "SN-SIX", "info", "--json"}),
              kvtctl({"--unit", six_port->server.port_name(), "info", "--json"}),
              kvtctl({"--unit", path.mid(5), "info", "--json"}),
              run_kvtctl({"--unit", six_port->server.port_name(), "info", "--json"})}) {
            KVTCTL_CHECK(result, 0);
            QCOMPARE(result.json().object().value("serial_number").toString(), QString("SN-SIX"));
            QCOMPARE(result.json().object().value("product_id").toString(), QString("29"));
        }
        const kvtctl_result_t first = kvtctl({"info"});
        KVTCTL_CHECK(first, 0);
        QVERIFY2(first.out.contains("SN-TWO"), first.out);

        const kvtctl_result_t unknown = kvtctl({"--unit", "SN-NONE", "info"});
        KVTCTL_CHECK(unknown, 1);
        QVERIFY2(unknown.err.contains("SN-NONE"), unknown.err);
    }

    // Positions in the operator's numbering, the wire characters on the link.
    void set_then_get_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<QJsonObject>("read_back");
        QTest::newRow("two-port") << "SN-TWO" << QStringList{"A=2", "C=1", "D=2"}
                                  << QList<QByteArray>{"SETA=1", "GETA?",  "SETC=0",
                                                       "GETC?",  "SETD=1", "GETD?"}
                                  << positions({{"A", 2}, {"B", 1}, {"C", 1}, {"D", 2}});
        QTest::newRow("six-port") << "SN-SIX" << QStringList{"B=6", "A=3"}
                                  << QList<QByteArray>{"SP6TB:STATE:6", "SP6TB:STATE?",
                                                       "SP6TA:STATE:3", "SP6TA:STATE?"}
                                  << positions({{"A", 3}, {"B", 6}});
        QTest::newRow("six-port common")
            << "SN-SIX" << QStringList{"A=0"} << QList<QByteArray>{"SP6TA:STATE:0", "SP6TA:STATE?"}
            << positions({{"A", 0}, {"B", 0}});
    }
    void set_then_get() {
        QFETCH(QString, serial);
        QFETCH(QStringList, settings);
        QFETCH(QList<QByteArray>, sent);
        QFETCH(QJsonObject, read_back);
        served_unit_t& unit = unit_named(serial);

        KVTCTL_CHECK(kvtctl(QStringList{"--unit", serial, "set"} + settings), 0);
        QCOMPARE(unit.server.commands(), identified_then(sent));

        const kvtctl_result_t json = kvtctl({"--unit", serial, "get", "--json"});
        KVTCTL_CHECK(json, 0);
        QCOMPARE(json.json().object().value("positions").toObject(), read_back);

        const kvtctl_result_t one = kvtctl({"--unit", serial, "get", "A"});
        KVTCTL_CHECK(one, 0);
        QCOMPARE(one.out, "A=" + QByteArray::number(read_back.value("A").toInt()) + '\n');
    }

    // Refused before the unit hears anything but its identification.
    void refusals_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("two-port position 0") << "SN-TWO" << QStringList{"set", "A=0"};
        QTest::newRow("two-port position 3") << "SN-TWO" << QStringList{"set", "B=1", "A=3"};
        QTest::newRow("two-port switch E") << "SN-TWO" << QStringList{"set", "E=1"};
        QTest::newRow("switch twice") << "SN-TWO" << QStringList{"set", "A=1", "A=2"};
        QTest::newRow("six-port switch C") << "SN-SIX" << QStringList{"set", "A=1", "C=1"};
        QTest::newRow("six-port position 7") << "SN-SIX" << QStringList{"set", "A=7"};
        QTest::newRow("get switch C") << "SN-SIX" << QStringList{"get", "C"};
    }
    void refusals() {
        QFETCH(QString, serial);
        QFETCH(QStringList, arguments);
        const kvtctl_result_t result = kvtctl(QStringList{"--unit", serial} + arguments);
        KVTCTL_CHECK(result, 2);
        QVERIFY2(result.err.contains(serial.toUtf8()), result.err);
        QCOMPARE(unit_named(serial).server.commands(), identification);
    }

    // Wrong requests are turned away before any unit is opened.
    void usage_errors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"switch"};
        QTest::newRow("unknown option") << QStringList{"get", "--fast"};
        QTest::newRow("unit without name") << QStringList{"get", "--unit"};
        QTest::newRow("set without switches") << QStringList{"set"};
        QTest::newRow("set without =") << QStringList{"set", "A2"};
        QTest::newRow("set lower case") << QStringList{"set", "a=2"};
        QTest::newRow("set no number") << QStringList{"set", "A=two"};
        QTest::newRow("get not a letter") << QStringList{"get", "AB"};
        QTest::newRow("info with argument") << QStringList{"info", "A"};
        QTest::newRow("save without file") << QStringList{"save"};
        QTest::newRow("query two texts") << QStringList{"query", "MN?", "SN?"};
        QTest::newRow("empty query") << QStringList{"query", ""};
        QTest::newRow("list of one unit") << QStringList{"--unit", "SN-TWO", "list"};
        QTest::newRow("timeout no number") << QStringList{"--timeout", "soon", "get"};
    }
    void usage_errors() {
        QFETCH(QStringList, arguments);
        KVTCTL_CHECK(kvtctl(arguments), 2);
        QVERIFY(two_port->server.commands().isEmpty());
        QVERIFY(six_port->server.commands().isEmpty());
    }

    // Only A to Z name switches; another capital is refused by name, whole.
    void non_latin_capital_is_no_switch_letter() {
        const kvtctl_result_t result = kvtctl({"get", QStringLiteral("\u03a9")});
        KVTCTL_CHECK(result, 2);
        QVERIFY2(result.err.contains("\"\xce\xa9\" is not a switch letter"), result.err);
    }

    // The usage line names the program, not the path it was started by.
    void help_on_every_command() {
        for (const char* command : {"list", "info", "get", "set", "save", "restore", "query",
                                    "write", "read", "upgrade"}) {
            const kvtctl_result_t result = kvtctl({command, "--help"});
            KVTCTL_CHECK(result, 0);
            const QByteArray usage = result.out.left(result.out.indexOf('\n'));
            QVERIFY2(usage.startsWith(QByteArray("Usage: kvtctl [options] ") + command) &&
                         !usage.endsWith(' '),
                     result.out);
        }
        const kvtctl_result_t general = kvtctl({"--help"});
        KVTCTL_CHECK(general, 0);
        QVERIFY(general.out.startsWith("Usage: kvtctl [options] COMMAND [ARGUMENT...]\n"));
        QVERIFY(general.out.contains("restore FILE"));
    }

    // For scripts: positions on standard output under --json, "-" for the
    // standard streams, and a file that fails named with exit status 1.
    void files_and_streams_data() {
        const QByteArray saved =
            R"({"model": "KVT0402Q", "positions": {"A": 2, "B": 1, "C": 1, "D": 2}})";
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QJsonObject>("positions");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("set prints what the unit holds")
            << QStringList{"set", "A=2", "--json"} << QByteArray() << 0
            << positions({{"A", 2}, {"B", 1}, {"C", 1}, {"D", 1}}) << QByteArray();
        QTest::newRow("restore from standard input")
            << QStringList{"restore", "-", "--json"} << saved << 0
            << positions({{"A", 2}, {"B", 1}, {"C", 1}, {"D", 2}}) << QByteArray();
        QTest::newRow("save to standard output")
            << QStringList{"save", "-"} << QByteArray() << 0
            << positions({{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}}) << QByteArray();
        // The file is the output: one document, which --json adds nothing to.
        QTest::newRow("save to standard output under --json")
            << QStringList{"save", "-", "--json"} << QByteArray() << 0
            << positions({{"A", 1}, {"B", 1}, {"C", 1}, {"D", 1}}) << QByteArray();
        QTest::newRow("restore a file without positions")
            << QStringList{"restore", "-"} << QByteArray(R"({"model": "KVT0402Q"})") << 2
            << QJsonObject() << QByteArray("kvtctl: standard input: no model and positions\n");
        QTest::newRow("restore a file of no positions")
            << QStringList{"restore", "-"}
            << QByteArray(R"({"model": "KVT0402Q", "positions": {}})") << 2 << QJsonObject()
            << QByteArray("kvtctl: standard input: no model and positions\n");
        QTest::newRow("save where no folder is")
            << QStringList{"save", "/nonexistent/kvt.json"} << QByteArray() << 1 << QJsonObject()
            << QByteArray("kvtctl: /nonexistent/kvt.json: ");
        QTest::newRow("restore a missing file")
            << QStringList{"restore", "/nonexistent/kvt.json"} << QByteArray() << 1 << QJsonObject()
            << QByteArray("kvtctl: /nonexistent/kvt.json: ");
    }
    void files_and_streams() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, exit_code);
        QFETCH(QJsonObject, positions);
        QFETCH(QByteArray, error);
        const QStringList ports{"--port", two_port->server.port_name()};
        const kvtctl_result_t result = run_kvtctl(ports + arguments, {}, input);
        KVTCTL_CHECK(result, exit_code);
        QCOMPARE(result.json().object().value("positions").toObject(), positions);
        QVERIFY2(result.err.startsWith(error), result.err);
    }

    // Qt's serial port locks the port it opens; another run is told why it cannot have it.
    void a_busy_port_is_named() {
        QSerialPort holder;
        holder.setPortName(two_port->server.port_name());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        const kvtctl_result_t result = run_kvtctl({"--port", two_port->server.port_name(), "get"});
        KVTCTL_CHECK(result, 1);
        QCOMPARE(result.err, "kvtctl: " + two_port->server.port_name().toUtf8() +
                                 ": port busy: another program has it open\n");
    }

    // Its answers start 400 ms after a command: twice the serial wait.
    void a_slow_unit_given_time_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exit_code");
        QTest::newRow("serial wait") << QStringList{} << 1;
        QTest::newRow("longer timeout") << QStringList{"--timeout", "3000"} << 0;
    }
    void a_slow_unit_given_time() {
        QFETCH(QStringList, options);
        QFETCH(int, exit_code);
        served_unit_t slow(unit_config("KVT0402Q,sn=SN-SLOW,faults=delay:400"));
        const kvtctl_result_t result =
            run_kvtctl(options + QStringList{"--unit", slow.server.port_name(), "get", "A"});
        KVTCTL_CHECK(result, exit_code);
    }

    void save_and_restore() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.json");
        KVTCTL_CHECK(kvtctl({"--unit", "SN-TWO", "set", "A=2", "D=2"}), 0);
        KVTCTL_CHECK(kvtctl({"--unit", "SN-TWO", "save", file}), 0);
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(saved.readAll()).object(),
                 (QJsonObject{{"model", "KVT0402Q"},
                              {"serial_number", "SN-TWO"},
                              {"positions", positions({{"A", 2}, {"B", 1}, {"C", 1}, {"D", 2}})}}));

        KVTCTL_CHECK(kvtctl({"--unit", "SN-TWO", "set", "A=1", "B=2", "D=1"}), 0);
        clear_commands();
        KVTCTL_CHECK(kvtctl({"--unit", "SN-TWO", "restore", file}), 0);
        QCOMPARE(two_port->server.commands(),
                 identified_then(
                     {"SETA=1", "GETA?", "SETB=0", "GETB?", "SETC=0", "GETC?", "SETD=1", "GETD?"}));

        // Onto the other model: refused once the unit has told its model.
        clear_commands();
        const kvtctl_result_t other = kvtctl({"--unit", "SN-SIX", "restore", file});
        KVTCTL_CHECK(other, 2);
        QVERIFY2(other.err.contains("SN-SIX") && other.err.contains("KVT0402Q"), other.err);
        QCOMPARE(six_port->server.commands(), identification);
    }

    // Each switch is read back right after its set command, and each one that
    // did not move is named.
    void a_switch_that_does_not_hold() {
        served_unit_t stuck(unit_config("KVT0402Q,sn=SN-STUCK,faults=stuck:B+stuck:D"));
        const kvtctl_result_t result =
            run_kvtctl({"--port", stuck.server.port_name(), "set", "A=2", "B=2", "C=2", "D=2"});
        KVTCTL_CHECK(result, 1);
        QVERIFY2(result.err.contains("SN-STUCK"), result.err);
        QVERIFY2(result.err.contains("switch B did not hold position 2 (reads 1)"), result.err);
        QVERIFY2(result.err.contains("switch D did not hold position 2 (reads 1)"), result.err);
        QVERIFY2(!result.err.contains("switch A") && !result.err.contains("switch C"), result.err);
        QCOMPARE(stuck.server.commands(), identified_then({"SETA=1", "GETA?", "SETB=1", "GETB?",
                                                           "SETC=1", "GETC?", "SETD=1", "GETD?"}));
    }

    // A unit that falls silent is asked no more; every switch it was not
    // asked about is named, and so is one that did not hold before.
    void a_silent_switch_names_the_rest_data() {
        QTest::addColumn<QString>("faults");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("set unanswered")
            << "fail:SETB=1"
            << QByteArray("switch B did not answer its set command; switch C not attempted\n");
        QTest::newRow("read-back unanswered after a stuck switch")
            << "stuck:A+fail:GETB?"
            << QByteArray(
                   "switch A did not hold position 2 (reads 1); switch B did not answer; "
                   "switch C not attempted\n");
    }
    void a_silent_switch_names_the_rest() {
        QFETCH(QString, faults);
        QFETCH(QByteArray, error);
        served_unit_t unit(unit_config("KVT0402Q,sn=SN-QUIET,faults=" + faults));
        const kvtctl_result_t result =
            run_kvtctl({"--port", unit.server.port_name(), "set", "A=2", "B=2", "C=2"});
        KVTCTL_CHECK(result, 1);
        QVERIFY2(result.err.endsWith(": " + error), result.err);
        QCOMPARE(unit.server.commands(), identified_then({"SETA=1", "GETA?", "SETB=1", "GETB?"}));
    }

    // Its serial number answer ends in a blank, which no operator types.
    void a_serial_number_is_matched_without_its_blanks() {
        pty_server_t unit(answering({{"OS?", "APP"},
                                     {"MN?", "KVT0402Q"},
                                     {"SN?", "TRAIL1 "},
                                     {"SV?", "1.0.0"},
                                     {"SHOW:PRODect:ID?", "17"}}));
        const kvtctl_result_t result =
            run_kvtctl({"--port", unit.port_name(), "--unit", "TRAIL1", "info"});
        KVTCTL_CHECK(result, 0);
        QVERIFY2(result.out.contains("TRAIL1"), result.out);
    }

    // For a script, ERR is a refusal, and a read with no answer waiting fails as over VISA.
    void raw_answers_that_are_none_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("query refused")
            << QStringList{"query", "BOGUS?"}
            << QByteArray(": the unit refused BOGUS?: it answered ERR\n");
        QTest::newRow("read nothing") << QStringList{"read"} << QByteArray(": nothing waiting\n");
    }
    void raw_answers_that_are_none() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, error);
        const kvtctl_result_t result =
            run_kvtctl(QStringList{"--unit", two_port->server.port_name()} + arguments);
        KVTCTL_CHECK(result, 1);
        QCOMPARE(result.out, QByteArray());
        QVERIFY2(result.err.endsWith(error), result.err);
    }

    void raw_commands() {
        const kvtctl_result_t query = kvtctl({"--unit", "SN-SIX", "query", "*IDN?", "--json"});
        KVTCTL_CHECK(query, 0);
        QCOMPARE(query.json().object().value("answer").toString(),
                 QString("Norvane,KVT0206Q,SN-SIX,3.0.1"));
        // Raw commands go to the unit as typed, with no identification first.
        QCOMPARE(six_port->server.commands().last(), QByteArray("*IDN?"));
        QCOMPARE(six_port->server.commands().size(), identification.size() + 1);

        clear_commands();

        KVTCTL_CHECK(kvtctl({"--unit", two_port->server.port_name(), "write", "SETB=1"}), 0);
        QVERIFY(two_port->server.wait_for_commands(1, 5000));
        QCOMPARE(two_port->server.commands(), QList<QByteArray>{"SETB=1"});
    }
};

QTEST_GUILESS_MAIN(test_kvtctl_serial)
#include "test_kvtctl_serial.moc"
