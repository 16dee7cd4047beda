#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "tests/cli/kvtctl_run.h"
#include "upgrade/image_reader.h"
#include "upgrade/image_writer.h"

namespace {

// kvtctl on the VISA stand-in, which serves these units afresh in every run.
kvtctl_result_t over_visa(const QStringList& arguments,
                          const QString& units = "KVT0402Q,sn=SN-TWO;KVT0206Q,sn=SN-SIX") {
    return run_kvtctl(arguments,
                      {{"LD_LIBRARY_PATH", VISA_STANDIN_DIR}, {"KVT_VISA_UNITS", units}});
}

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class test_kvtctl_visa : public QObject {
    Q_OBJECT
private slots:
    // The other maker's instrument on the bus is no unit.
    void list_shows_the_units_resources() {
        const kvtctl_result_t result = over_visa({"list", "--json"});
        KVTCTL_CHECK(result, 0);
        const QJsonArray units = result.json().array();
        QCOMPARE(units.size(), 2);
        QCOMPARE(units[0].toObject().value("unit").toString(),
                 QString("USB0::0xA5C3::0x0E21::SN-TWO::INSTR"));
        QCOMPARE(units[1].toObject().value("model").toString(), QString("KVT0206Q"));
    }

    // Each run starts from the stand-in's resting positions, so a run sets
    // and checks within itself.
    void commands_on_both_models_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("get two-port")
            << QStringList{"get"} << 0 << QByteArray("A=1\nB=1\nC=1\nD=1\n");
        QTest::newRow("get six-port")
            << QStringList{"--unit", "SN-SIX", "get", "B"} << 0 << QByteArray("B=0\n");
        QTest::newRow("set two-port") << QStringList{"set", "A=2", "C=1"} << 0 << QByteArray();
        // Under --json a set prints what the unit then holds.
        QTest::newRow("set json") << QStringList{"--unit", "SN-SIX", "set", "B=4", "--json"} << 0
                                  << QByteArray(R"({
    "model": "KVT0206Q",
    "positions": {
        "A": 0,
        "B": 4
    },
    "serial_number": "SN-SIX",
    "unit": "USB0::0xA5C3::0x0E21::SN-SIX::INSTR"
}
)");
        QTest::newRow("save to standard output") << QStringList{"save", "-"} << 0 << QByteArray(R"({
    "model": "KVT0402Q",
    "positions": {
        "A": 1,
        "B": 1,
        "C": 1,
        "D": 1
    },
    "serial_number": "SN-TWO"
}
)");
        QTest::newRow("save where no folder is")
            << QStringList{"save", "/nonexistent/kvt.json"} << 1 << QByteArray();
        QTest::newRow("set six-port by resource")
            << QStringList{"--unit", "USB0::0xA5C3::0x0E21::SN-SIX::INSTR", "set", "A=6", "B=1"}
            << 0 << QByteArray();
        QTest::newRow("refused position") << QStringList{"set", "A=6"} << 2 << QByteArray();
        QTest::newRow("query") << QStringList{"--unit", "SN-SIX", "query", "MN?"} << 0
                               << QByteArray("KVT0206Q\n");
        QTest::newRow("write") << QStringList{"write", "SETA=1"} << 0 << QByteArray();
        QTest::newRow("write json")
            << QStringList{"write", "SETA=1", "--json"} << 0 << QByteArray(R"({
    "unit": "USB0::0xA5C3::0x0E21::SN-TWO::INSTR"
}
)");
        // Over VISA a read that finds no answer is a failure.
        QTest::newRow("read nothing") << QStringList{"read"} << 1 << QByteArray();
        QTest::newRow("query refused") << QStringList{"query", "BOGUS?"} << 1 << QByteArray();
        // The error names what was asked for and stays one line.
        QTest::newRow("unknown unit")
            << QStringList{"--unit", "SN\nNONE", "get"} << 1 << QByteArray();
    }
    void commands_on_both_models() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit_code);
        QFETCH(QByteArray, output);
        const kvtctl_result_t result = over_visa(arguments);
        KVTCTL_CHECK(result, exit_code);
        QCOMPARE(result.out, output);
    }

    // The stand-in's sessions wait 100 ms for an answer that starts after 300 ms.
    void a_slow_unit_given_time_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exit_code");
        QTest::newRow("library's timeout") << QStringList{} << 1;
        QTest::newRow("longer timeout") << QStringList{"--timeout", "3000"} << 0;
    }
    void a_slow_unit_given_time() {
        QFETCH(QStringList, options);
        QFETCH(int, exit_code);
        const kvtctl_result_t result =
            run_kvtctl(options + QStringList{"get", "A"},
                       {{"LD_LIBRARY_PATH", VISA_STANDIN_DIR},
                        {"KVT_VISA_UNITS", "KVT0402Q,sn=SN-SLOW,faults=delay:300"},
                        {"KVT_VISA_TIMEOUT_MS", "100"}});
        KVTCTL_CHECK(result, exit_code);
    }

    void get_json_names_model_and_unit() {
        const kvtctl_result_t result = over_visa({"--unit", "SN-SIX", "get", "--json"});
        KVTCTL_CHECK(result, 0);
        QCOMPARE(result.json().object(),
                 (QJsonObject{{"unit", "USB0::0xA5C3::0x0E21::SN-SIX::INSTR"},
                              {"model", "KVT0206Q"},
                              {"serial_number", "SN-SIX"},
                              {"positions", QJsonObject{{"A", 0}, {"B", 0}}}}));
    }

    void a_switch_that_does_not_hold() {
        const kvtctl_result_t result =
            over_visa({"set", "A=5", "B=6"}, "KVT0206Q,sn=SN-STUCK,faults=stuck:A");
        KVTCTL_CHECK(result, 1);
        QVERIFY2(result.err.contains("SN-STUCK") &&
                     result.err.endsWith(": switch A did not hold position 5 (reads 0)\n"),
                 result.err);
    }

    void a_unit_that_does_not_answer() {
        const kvtctl_result_t result = over_visa({"get"}, "KVT0402Q,sn=SN-MUTE,faults=silent");
        KVTCTL_CHECK(result, 1);
        QVERIFY2(result.err.contains("USB0::0xA5C3::0x0E21::SN-MUTE::INSTR"), result.err);
    }

    // A unit in its bootloader is listed in that state and still takes raw commands.
    void a_unit_that_does_not_identify_itself() {
        const QString units = "KVT0402Q,sn=SN-TWO;KVT0206Q,sn=SN-BOOT,mode=boot";
        const kvtctl_result_t list = over_visa({"list"}, units);
        KVTCTL_CHECK(list, 0);
        QVERIFY2(list.out.simplified().endsWith("SN-BOOT - - bootloader"), list.out);

        const QString boot = "USB0::0xA5C3::0x0E21::SN-BOOT::INSTR";
        KVTCTL_CHECK(over_visa({"--unit", boot, "get"}, units), 1);
        const kvtctl_result_t query = over_visa({"--unit", boot, "query", "OS?"}, units);
        KVTCTL_CHECK(query, 0);
        QCOMPARE(query.out, QByteArray("BOOTLOADER\n"));
    }

    // The simulated unit then runs an application named after the bytes it received.
    void upgrade_sends_the_image() {
        QTemporaryDir dir;
        const QString file = dir.filePath("new.ADS");
        const QByteArray application(5000, '\x5a');
        QVERIFY(write_file(file, make_image(700, {{section_application, application}})));
        const QByteArray version =
            "app-" +
            QCryptographicHash::hash(application, QCryptographicHash::Sha256).toHex().left(8);

        const kvtctl_result_t result = over_visa({"upgrade", file});
        KVTCTL_CHECK(result, 0);
        // Progress goes to standard error, the result alone to standard output.
        QVERIFY2(result.err.contains("application 100% of 5000 bytes\n"), result.err);
        QCOMPARE(result.out, "Upgrade OK! Software version " + version + '\n');

        const kvtctl_result_t json = over_visa({"upgrade", file, "--json"});
        KVTCTL_CHECK(json, 0);
        QCOMPARE(json.json().object().value("software_version").toString(), QString(version));
    }

    void upgrade_refusals_and_failure() {
        QTemporaryDir dir;
        const QString file = dir.filePath("other.ADS");
        QVERIFY(write_file(file, make_image(701, {{section_application, QByteArray(64, 'x')}})));
        const kvtctl_result_t refused = over_visa({"upgrade", file});
        KVTCTL_CHECK(refused, 2);
        QVERIFY2(refused.err.contains(image_verdict_text(image_not_accepted).toUtf8()),
                 refused.err);

        QVERIFY(write_file(file, make_image(700, {{section_application, QByteArray(64, 'x')}})));
        KVTCTL_CHECK(run_kvtctl({"upgrade", file}), 1);  // no VISA library
        const kvtctl_result_t failed = over_visa({"upgrade", file}, "KVT0402Q,faults=never-ready");
        KVTCTL_CHECK(failed, 1);
        QVERIFY2(failed.err.contains("upgrade with " + file.toUtf8() + " failed"), failed.err);
    }

    // The chosen unit restarts into its bootloader and never comes back; the
    // unit attached all along must not take its place.
    void upgrade_of_a_unit_that_never_comes_back() {
        QTemporaryDir dir;
        const QString file = dir.filePath("lost.ADS");
        QVERIFY(write_file(file, make_image(700, {{section_application, QByteArray(64, 'x')}})));
        const kvtctl_result_t lost =
            over_visa({"--unit", "A", "upgrade", file},
                      "KVT0402Q,sn=B,mode=boot;KVT0402Q,sn=A,faults=never-back");
        KVTCTL_CHECK(lost, 1);
        QVERIFY2(without_progress(lost.err).startsWith(
                     "kvtctl: A at USB0::0xA5C3::0x0E21::A::INSTR: did not come back"),
                 lost.err);
        QVERIFY2(!lost.out.contains("Upgrade OK"), lost.out);
    }

    // Ctrl-C once the application is under way: the block on the wire is
    // finished and the line says where the unit stands and what finishes
    // it; a second Ctrl-C gives up at once.
    void interrupted_upgrade_data() {
        QTest::addColumn<int>("interrupts");
        QTest::addColumn<QByteArray>("says");
        QTest::newRow("once") << 1
                              << QByteArray(
                                     "the unit waits in its bootloader; kvtctl --unit A upgrade ");
        QTest::newRow("twice") << 2
                               << QByteArray("upgrade given up; a unit may wait in its bootloader");
    }

    void interrupted_upgrade() {
        QFETCH(int, interrupts);
        QFETCH(QByteArray, says);
        QTemporaryDir dir;
        const QString file = dir.filePath("long.ADS");
        QVERIFY(write_file(file, make_image(700, {{section_application, QByteArray(40000, 'x')}})));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_LIBRARY_PATH", VISA_STANDIN_DIR);
        environment.insert("KVT_VISA_UNITS", "KVT0402Q,sn=A");
        QProcess kvtctl;
        kvtctl.setProcessEnvironment(environment);
        kvtctl.setReadChannel(QProcess::StandardError);
        kvtctl.start(KVTCTL_PATH, {"--unit", "A", "upgrade", file});
        QByteArray err;
        while (!err.contains("application 10%") && kvtctl.waitForReadyRead(30000)) {
            err += kvtctl.readAllStandardError();
        }
        QVERIFY2(err.contains("application 10%"), err);
        // Two signals of one kind may arrive as one; SIGTERM counts as Ctrl-C.
        for (const int signal : {SIGINT, SIGTERM}) {
            if (signal == SIGINT || interrupts > 1) {
                ::kill(pid_t(kvtctl.processId()), signal);
            }
        }
        QVERIFY(kvtctl.waitForFinished(30000));
        err = without_progress(err + kvtctl.readAllStandardError());
        QCOMPARE(kvtctl.exitCode(), 130);
        QVERIFY2(err.startsWith("kvtctl: ") && err.count('\n') == 1 && err.contains(says), err);
    }

    void restore_checks_the_model() {
        QTemporaryDir dir;
        const QString file = dir.filePath("six.json");
        KVTCTL_CHECK(over_visa({"--unit", "SN-SIX", "save", file}), 0);
        KVTCTL_CHECK(over_visa({"--unit", "SN-SIX", "restore", file}), 0);
        const kvtctl_result_t other = over_visa({"--unit", "SN-TWO", "restore", file});
        KVTCTL_CHECK(other, 2);
        QVERIFY2(other.err.contains("SN-TWO"), other.err);
    }
};

QTEST_GUILESS_MAIN(test_kvtctl_visa)
#include "test_kvtctl_visa.moc"
