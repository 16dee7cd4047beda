// The unit engine: command set, framing, restarts and faults.
#include <QElapsedTimer>
#include <QTest>
#include <thread>

#include "sim/sim_unit.h"
#include "sim_test_util.h"

namespace {

QByteArray ask(sim_unit_t& unit, const QByteArray& command) {
    return wire_bytes(unit.handle(command));
}

// Answers of every state query of the unit's model, in switch order.
QByteArray all_positions(sim_unit_t& unit) {
    QByteArray out;
    for (char sw : sim_model_switches(unit.config().model)) {
        const QByteArray get = unit.config().model == sim_model_t::kvt0402q
                                   ? "GET" + QByteArray(1, sw) + '?'
                                   : "SP6T" + QByteArray(1, sw) + ":STATE?";
        out += ask(unit, get);
    }
    return out;
}

constexpr int poll_limit_ms = 5000;

}  // namespace

class test_sim_unit : public QObject {
    Q_OBJECT

private slots:
    void identification_data();
    void identification();
    void switching_data();
    void switching();
    void refused_commands_data();
    void refused_commands();
    void framing_data();
    void framing();
    void restart_data();
    void restart();
    void ignores_commands_while_offline();
    void faults_data();
    void faults();
    void overlong_answers();
    void command_faults_data();
    void command_faults();
    void never_back();
    void concurrent_callers();
};

void test_sim_unit::identification_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");
    const char* two = "KVT0402Q,sn=KVT2024007,sv=2.3.1";
    const char* six = "KVT0206Q,sn=KVT2024008,id=0/600/800/0";
    QTest::newRow("two OS") << two << QByteArray("OS?") << QByteArray("APP\n");
    QTest::newRow("two MN") << two << QByteArray("MN?") << QByteArray("KVT0402Q\n");
    QTest::newRow("two SN") << two << QByteArray("SN?") << QByteArray("KVT2024007\n");
    QTest::newRow("two SV") << two << QByteArray("SV?") << QByteArray("2.3.1\n");
    QTest::newRow("two product") << two << QByteArray("SHOW:PRODect:ID?") << QByteArray("17\n");
    QTest::newRow("two IDN") << two << QByteArray("*IDN?")
                             << QByteArray("Norvane,KVT0402Q,KVT2024007,2.3.1\n");
    QTest::newRow("two upgrade id")
        << two << QByteArray("UPGRADE:ID?") << QByteArray("700,0,0,1\n");
    QTest::newRow("two not ready in app") << two << QByteArray("UPREADY?") << QByteArray("0\n");
    QTest::newRow("six MN") << six << QByteArray("MN?") << QByteArray("KVT0206Q\n");
    QTest::newRow("six product") << six << QByteArray("SHOW:PRODect:ID?") << QByteArray("29\n");
    QTest::newRow("six upgrade id")
        << six << QByteArray("UPGRADE:ID?") << QByteArray("0,600,800,0\n");
    const char* boot = "KVT0402Q,mode=boot";
    QTest::newRow("boot OS") << boot << QByteArray("OS?") << QByteArray("BOOTLOADER\n");
    QTest::newRow("boot SN") << boot << QByteArray("SN?") << QByteArray("KVT2024001\n");
    QTest::newRow("boot ready") << boot << QByteArray("UPREADY?") << QByteArray("1\n");
    QTest::newRow("boot no switching") << boot << QByteArray("SETA=1") << QByteArray("ERR\n");
    QTest::newRow("six boot OS") << "KVT0206Q,mode=boot" << QByteArray("OS?")
                                 << QByteArray("BOOTLOADER\n");
    QTest::newRow("unknown") << two << QByteArray("FOO?") << QByteArray("ERR\n");
    QTest::newRow("case matters") << two << QByteArray("os?") << QByteArray("ERR\n");
}

void test_sim_unit::identification() {
    QFETCH(QString, unit);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    sim_unit_t sim(unit_config(unit));
    QCOMPARE(ask(sim, command), answer);
}

void test_sim_unit::switching_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArrayList>("script");  // command, answer, command, answer, ...
    QTest::newRow("two-port") << "KVT0402Q"
                              << QByteArrayList{"GETA?",  "0\n",  "SETA=1", "OK\n", "GETA?", "1\n",
                                                "GETB?",  "0\n",  "SETD=1", "OK\n", "GETD?", "1\n",
                                                "SETA=0", "OK\n", "GETA?",  "0\n",  "GETD?", "1\n"};
    QTest::newRow("six-port") << "KVT0206Q"
                              << QByteArrayList{"SP6TA:STATE?",  "0\n",  "SP6TA:STATE:6", "OK\n",
                                                "SP6TB:STATE:3", "OK\n", "SP6TA:STATE?",  "6\n",
                                                "SP6TB:STATE?",  "3\n",  "SP6TA:STATE:0", "OK\n",
                                                "SP6TA:STATE?",  "0\n"};
}

void test_sim_unit::switching() {
    QFETCH(QString, unit);
    QFETCH(QByteArrayList, script);
    sim_unit_t sim(unit_config(unit));
    for (int i = 0; i + 1 < script.size(); i += 2) {
        QCOMPARE(ask(sim, script[i]), script[i + 1]);
    }
}

void test_sim_unit::refused_commands_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("command");
    const QByteArrayList two = {"SETE=1", "SETA=2", "SETA=",         "SETA=1 ",      "seta=1",
                                "GETE?",  "SETA1",  "SP6TA:STATE:1", "SP6TA:STATE?", "SETA=1\r"};
    for (const QByteArray& command : two) {
        QTest::newRow("two " + command) << "KVT0402Q" << command;
    }
    const QByteArrayList six = {"SP6TC:STATE:1", "SP6TA:STATE:7", "SP6TA:STATE:x", "SP6TA:STATE:",
                                "SP6TC:STATE?",  "SETA=1",        "GETA?"};
    for (const QByteArray& command : six) {
        QTest::newRow("six " + command) << "KVT0206Q" << command;
    }
}

void test_sim_unit::refused_commands() {
    QFETCH(QString, unit);
    QFETCH(QByteArray, command);
    sim_unit_t sim(unit_config(unit));
    const QByteArray before = all_positions(sim);
    QCOMPARE(ask(sim, command), QByteArray("ERR\n"));
    QCOMPARE(all_positions(sim), before);
}

void test_sim_unit::framing_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");  // empty: none at all
    const char* boot = "KVT0402Q,mode=boot";
    QTest::newRow("OS? with zero") << boot << QByteArray("OS?", 4) << QByteArray("BOOTLOADER\n");
    QTest::newRow("UPREADY? with zero") << boot << QByteArray("UPREADY?", 9) << QByteArray("1\n");
    QTest::newRow("two zeros") << boot << QByteArray("OS?\0\0", 5) << QByteArray("ERR\n");
    QTest::newRow("OS? with line feed")
        << boot << QByteArray("OS?\n") << QByteArray("BOOTLOADER\n");
    QTest::newRow("SN? with CR LF") << boot << QByteArray("SN?\r\n") << QByteArray("KVT2024001\n");
    QTest::newRow("set with CR LF") << "KVT0402Q" << QByteArray("SETA=1\r\n") << QByteArray("OK\n");
    QTest::newRow("two line feeds") << boot << QByteArray("OS?\n\n") << QByteArray("ERR\n");
    QTest::newRow("carriage return alone") << boot << QByteArray("OS?\r") << QByteArray("ERR\n");
    QTest::newRow("PASS with CR LF") << boot << QByteArray("UPGRADE:PASS\r\n") << QByteArray();
    QTest::newRow("PASS") << boot << QByteArray("UPGRADE:PASS", 13) << QByteArray();
    QTest::newRow("FAIL") << boot << QByteArray("UPGRADE:FAIL", 13) << QByteArray();
    QTest::newRow("HOSTUG") << boot << QByteArray("HOSTUG 5000") << QByteArray();
    QTest::newRow("BOOTUG") << boot << QByteArray("BOOTUG 10") << QByteArray();
    QTest::newRow("bad HOSTUG") << boot << QByteArray("HOSTUG x") << QByteArray();
    QTest::newRow("block") << boot << "UPGRADE " + QByteArray(sim_block_size, 'x') << QByteArray();
    QTest::newRow("identity") << "KVT0402Q" << QByteArray("SYSTem:DEVice:VIDUG 0xA5C3")
                              << QByteArray();
    QTest::newRow("REBOOT") << "KVT0402Q" << QByteArray("REBOOT", 7) << QByteArray();
    QTest::newRow("REBOOT 1") << "KVT0402Q" << QByteArray("REBOOT 1") << QByteArray();
    QTest::newRow("empty") << "KVT0402Q" << QByteArray() << QByteArray("ERR\n");
    QTest::newRow("IDN") << "KVT0206Q" << QByteArray("*IDN?")
                         << QByteArray("Norvane,KVT0206Q,KVT2024001,1.0.0\n");
}

void test_sim_unit::framing() {
    QFETCH(QString, unit);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    sim_unit_t sim(unit_config(unit));
    const answer_t pieces = sim.handle(command);
    QCOMPARE(wire_bytes(pieces), answer);
    QCOMPARE(pieces.isEmpty(), answer.isEmpty());
    QCOMPARE(answer.count('\n'), answer.isEmpty() ? 0 : 1);
}

void test_sim_unit::restart_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("os_after");
    QTest::newRow("app to boot") << "KVT0402Q,restart=150" << QByteArray("REBOOT 1", 9)
                                 << QByteArray("BOOTLOADER\n");
    QTest::newRow("boot to app") << "KVT0206Q,restart=150,mode=boot" << QByteArray("REBOOT", 7)
                                 << QByteArray("APP\n");
    QTest::newRow("app to app") << "KVT0402Q,restart=150" << QByteArray("REBOOT")
                                << QByteArray("APP\n");
}

void test_sim_unit::restart() {
    QFETCH(QString, unit);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, os_after);
    sim_unit_t sim(unit_config(unit));
    if (sim.mode() == sim_mode_t::application) {
        QCOMPARE(ask(sim, sim.config().model == sim_model_t::kvt0402q ? "SETB=1" : "SP6TB:STATE:5"),
                 QByteArray("OK\n"));
    }
    QElapsedTimer since;
    since.start();
    QVERIFY(sim.handle(command).isEmpty());
    const bool offline = !sim.online();
    if (since.elapsed() < sim.config().restart_ms) {
        QVERIFY(offline);
    }
    QTRY_VERIFY_WITH_TIMEOUT(sim.online(), poll_limit_ms);
    QVERIFY(since.elapsed() >= sim.config().restart_ms);
    QCOMPARE(ask(sim, "OS?"), os_after);
    // A restart drops the relays back to their rest position.
    if (sim.mode() == sim_mode_t::application) {
        const int switches = sim_model_switches(sim.config().model).size();
        QCOMPARE(all_positions(sim), QByteArray("0\n").repeated(switches));
    }
}

void test_sim_unit::ignores_commands_while_offline() {
    // Never coming back keeps the unit offline however slow the machine is.
    sim_unit_t sim(unit_config("KVT0402Q,faults=never-back"));
    QVERIFY(sim.handle("REBOOT 1").isEmpty());
    const sim_upgrade_record_t before = sim.upgrade_record();
    for (const QByteArray& command :
         {QByteArray("OS?"), QByteArray("SETA=1"), QByteArray("REBOOT")}) {
        QVERIFY(sim.handle(command).isEmpty());
    }
    QCOMPARE(sim.upgrade_record().commands, before.commands);
    QCOMPARE(sim.mode(), sim_mode_t::bootloader);
}

void test_sim_unit::faults_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("pieces");  // describe() of the answer
    QTest::newRow("none") << "KVT0402Q" << QByteArray("OS?") << QByteArray("0:APP\n");
    QTest::newRow("silent") << "KVT0402Q,faults=silent" << QByteArray("OS?") << QByteArray();
    QTest::newRow("delay") << "KVT0402Q,faults=delay:150" << QByteArray("OS?")
                           << QByteArray("150:APP\n");
    QTest::newRow("split") << "KVT0402Q,faults=split:40" << QByteArray("OS?")
                           << QByteArray("0:AP|40:P\n");
    QTest::newRow("split short") << "KVT0402Q,faults=split:40" << QByteArray("GETA?")
                                 << QByteArray("0:0|40:\n");
    QTest::newRow("delay and split") << "KVT0206Q,faults=delay:150+split:40" << QByteArray("MN?")
                                     << QByteArray("150:KVT0|40:206Q\n");
    QTest::newRow("garbage") << "KVT0402Q,faults=garbage" << QByteArray("OS?")
                             << QByteArray("0:\xA5\xA5\xA5\n");
    QTest::newRow("never ready") << "KVT0402Q,mode=boot,faults=never-ready"
                                 << QByteArray("UPREADY?", 9) << QByteArray("0:0\n");
    QTest::newRow("crlf in bootloader")
        << "KVT0402Q,mode=boot,faults=crlf" << QByteArray("OS?") << QByteArray("0:BOOTLOADER\r\n");
    QTest::newRow("crlf leaves app alone")
        << "KVT0402Q,faults=crlf" << QByteArray("OS?") << QByteArray("0:APP\n");
    QTest::newRow("no line feed in bootloader")
        << "KVT0402Q,mode=boot,faults=no-lf" << QByteArray("OS?") << QByteArray("0:BOOTLOADER");
    QTest::newRow("ready with crlf") << "KVT0402Q,mode=boot,faults=ready-crlf"
                                     << QByteArray("UPREADY?", 9) << QByteArray("0:1\r\n");
}

void test_sim_unit::faults() {
    QFETCH(QString, unit);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, pieces);
    sim_unit_t sim(unit_config(unit));
    QCOMPARE(describe(sim.handle(command)), pieces);
}

void test_sim_unit::overlong_answers() {
    sim_unit_t sim(unit_config("KVT0402Q,faults=overlong"));
    const QByteArray answer = ask(sim, "OS?");
    QVERIFY(answer.size() > 60);
    QVERIFY(answer.startsWith("APP"));
    QVERIFY(answer.endsWith('\n'));
    QCOMPARE(answer.count('\n'), 1);
}

void test_sim_unit::command_faults_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QByteArrayList>("answers");  // wire bytes, empty: none
    QTest::addColumn<bool>("online_after");
    QTest::newRow("fail one query")
        << "KVT0402Q,faults=fail:SV?"
        << QByteArrayList{"SN?", "SV?", QByteArray("SV?", 4), "SV?\r\n", "MN?"}
        << QByteArrayList{"KVT2024001\n", "", "", "", "KVT0402Q\n"} << true;
    QTest::newRow("fail a set command: not carried out")
        << "KVT0402Q,faults=fail:SETA=1" << QByteArrayList{"SETA=1", "GETA?", "SETB=1", "GETB?"}
        << QByteArrayList{"", "0\n", "OK\n", "1\n"} << true;
    QTest::newRow("fail a six-port query")
        << "KVT0206Q,faults=fail:SP6TB:STATE?" << QByteArrayList{"SP6TB:STATE?", "SP6TA:STATE?"}
        << QByteArrayList{"", "0\n"} << true;
    QTest::newRow("stuck two-port switch")
        << "KVT0402Q,faults=stuck:A" << QByteArrayList{"SETA=1", "GETA?", "SETB=1", "GETB?"}
        << QByteArrayList{"OK\n", "0\n", "OK\n", "1\n"} << true;
    QTest::newRow("stuck six-port switch")
        << "KVT0206Q,faults=stuck:B"
        << QByteArrayList{"SP6TB:STATE:4", "SP6TB:STATE?", "SP6TA:STATE:4", "SP6TA:STATE?"}
        << QByteArrayList{"OK\n", "0\n", "OK\n", "4\n"} << true;
    QTest::newRow("vanish after two commands")
        << "KVT0402Q,faults=vanish:2" << QByteArrayList{"OS?", "SETA=1", "OS?", "GETA?"}
        << QByteArrayList{"APP\n", "OK\n", "", ""} << false;
    QTest::newRow("vanish counts unanswered commands")
        << "KVT0402Q,faults=vanish:2+fail:SN?" << QByteArrayList{"SN?", "OS?", "OS?"}
        << QByteArrayList{"", "APP\n", ""} << false;
    QTest::newRow("vanish at once")
        << "KVT0206Q,faults=vanish:0" << QByteArrayList{"OS?"} << QByteArrayList{""} << false;
}

void test_sim_unit::command_faults() {
    QFETCH(QString, unit);
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArrayList, answers);
    QFETCH(bool, online_after);
    sim_unit_t sim(unit_config(unit));
    QByteArrayList got;
    for (const QByteArray& command : commands) {
        got.append(ask(sim, command));
    }
    QCOMPARE(got, answers);
    QCOMPARE(sim.online(), online_after);
    QCOMPARE(sim.vanished(), !online_after);
}

void test_sim_unit::never_back() {
    sim_unit_t stuck(unit_config("KVT0402Q,restart=50,faults=never-back"));
    sim_unit_t control(unit_config("KVT0402Q,restart=50"));
    QVERIFY(stuck.handle("REBOOT").isEmpty());
    QVERIFY(control.handle("REBOOT").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(control.online(), poll_limit_ms);
    QVERIFY(!stuck.online());
    QVERIFY(stuck.handle("OS?").isEmpty());
}

void test_sim_unit::concurrent_callers() {
    sim_unit_t sim(unit_config("KVT0402Q"));
    const QByteArray commands[] = {"SETA=1", "GETA?", "SETB=0", "OS?", "SN?"};
    constexpr int rounds = 200;
    std::vector<std::thread> threads;
    for (const QByteArray& command : commands) {
        threads.emplace_back([&sim, command] {
            for (int i = 0; i < rounds; ++i) {
                sim.handle(command);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    QCOMPARE(sim.upgrade_record().commands.size(), rounds * int(std::size(commands)));
    QCOMPARE(ask(sim, "GETA?"), QByteArray("1\n"));
}

QTEST_GUILESS_MAIN(test_sim_unit)
#include "test_sim_unit.moc"
