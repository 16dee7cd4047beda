#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "driver/link.h"
#include "driver/link_events.h"
#include "driver/serial_link.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/link_answer.h"
#include "tests/support/scripted_unit.h"

namespace {

// The simulated two-port unit showing the faults for its first answer only,
// then healthy, so what follows the fault shows whether the link kept step.
pty_server_t::handler_t faulty_first_answer(const QString& faults) {
    auto faulty = std::make_shared<sim_unit_t>(unit_config("KVT0402Q,faults=" + faults));
    auto healthy = std::make_shared<sim_unit_t>(unit_config("KVT0402Q"));
    auto first = std::make_shared<bool>(true);
    return [=](const QByteArray& command) {
        const bool faulty_now = *first;
        *first = false;
        return (faulty_now ? faulty : healthy)->handle(command);
    };
}

}  // namespace

class test_serial_link : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { serial_close(); }

    void without_open_port_every_call_fails_and_sends_nothing() {
        pty_server_t unit([](const QByteArray&) { return answer_line("X"); });
        QByteArray answer = "kept";
        QVERIFY(!link_write("*IDN?"));
        QVERIFY(!link_read(answer));
        QVERIFY(!link_query("*IDN?", answer));
        QCOMPARE(answer, QByteArray("kept"));
        QVERIFY(!unit.wait_for_commands(1, 100));
    }

    void command_goes_out_exactly_and_answer_loses_last_byte() {
        pty_server_t unit([](const QByteArray&) { return answer_line("APP"); });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QByteArray answer;
        QVERIFY(link_query("*IDN?", answer));
        QCOMPARE(answer, QByteArray("APP"));
        QCOMPARE(unit.commands(), QList<QByteArray>{"*IDN?"});
    }

    void answer_of_only_a_line_feed_is_empty_but_succeeds() {
        pty_server_t unit([](const QByteArray&) { return answer_line(""); });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QByteArray answer = "old";
        QVERIFY(link_query("SETA=1", answer));
        QCOMPARE(answer, QByteArray());
    }

    // A read with nothing waiting succeeds with an empty answer.
    void query_without_answer_fails_and_read_takes_nothing() {
        pty_server_t unit([](const QByteArray&) { return answer_t{}; });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QCOMPARE(ask("GETA?"), QByteArray("(failed) (kept)"));
        QByteArray read = "old";
        QVERIFY(link_read(read));
        QCOMPARE(read, QByteArray());
    }

    void next_query_gets_its_own_answer_after_a_fault_data() {
        QTest::addColumn<QString>("faults");
        QTest::addColumn<QByteArray>("first");
        // The port closed and opened again, as by another program, before the next query.
        QTest::addColumn<bool>("reopened");
        const QByteArray failed = "(failed) (kept)";
        QTest::newRow("late") << "delay:250" << failed << false;
        QTest::newRow("late, across an open") << "delay:250" << failed << true;
        QTest::newRow("silent") << "silent" << failed << false;
        QTest::newRow("split") << "split:30" << QByteArray("APP") << false;
        QTest::newRow("split, tail after the line bound") << "split:700" << failed << false;
        QTest::newRow("overlong") << "overlong"
                                  << "APP" + QByteArray(68, '#') << false;
        QTest::newRow("garbage") << "garbage" << QByteArray(3, '\xA5') << false;
    }

    void next_query_gets_its_own_answer_after_a_fault() {
        QFETCH(QString, faults);
        QFETCH(QByteArray, first);
        QFETCH(bool, reopened);
        pty_server_t unit(faulty_first_answer(faults));
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QCOMPARE(ask("OS?"), first);
        if (reopened) {
            serial_close();
            QVERIFY(serial_open(unit.port_name().toUtf8()));
        }
        QCOMPARE(ask("MN?"), QByteArray("KVT0402Q"));
        QCOMPARE(ask("SN?"), QByteArray("KVT2024001"));
    }

    // An open waits for the line to fall quiet only so long: a unit that
    // talks on is still talking when the open is done. Its talk ends, so a
    // broken bound fails here instead of hanging.
    void open_settles_within_its_bound_while_the_unit_talks_on() {
        pty_server_t unit([](const QByteArray&) { return answer_t(200, {50, "x"}); });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QVERIFY(link_write("TALK"));
        QVERIFY(unit.wait_for_commands(1, 5000));
        serial_close();
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QVERIFY(!unit.wait_for_answers(0));
    }

    void query_after_an_unread_write_gets_its_own_answer() {
        pty_server_t unit(simulated(std::make_shared<sim_unit_t>(unit_config("KVT0402Q"))));
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QVERIFY(link_write("MN?"));
        QCOMPARE(ask("SN?"), QByteArray("KVT2024001"));
        QCOMPARE(ask("OS?"), QByteArray("APP"));
    }

    void vanished_port_fails_the_call_at_once_and_is_reported_data() {
        QTest::addColumn<QByteArray>("call");
        // The unit hangs up before the call; else it hangs up at the call's command.
        QTest::addColumn<bool>("gone_before");
        QTest::newRow("query to a unit gone") << QByteArray("query") << true;
        QTest::newRow("read from a unit gone") << QByteArray("read") << true;
        QTest::newRow("write to a unit gone") << QByteArray("write") << true;
        QTest::newRow("query whose unit goes before the answer") << QByteArray("query") << false;
    }

    void vanished_port_fails_the_call_at_once_and_is_reported() {
        QFETCH(QByteArray, call);
        QFETCH(bool, gone_before);
        auto sim = std::make_shared<sim_unit_t>(unit_config("KVT0402Q,faults=vanish:1"));
        auto unit =
            std::make_unique<pty_server_t>(simulated(sim), [sim] { return !sim->vanished(); });
        const QString name = unit->port_name();
        QVERIFY(serial_open(name.toUtf8()));
        QCOMPARE(ask("OS?"), QByteArray("APP"));
        QSignalSpy lost(&link_events(), &link_events_t::unit_lost);
        if (gone_before) {
            unit.reset();
        }

        QElapsedTimer timer;
        timer.start();
        QByteArray answer = "kept";
        const bool done = call == "query"  ? link_query("SN?", answer)
                          : call == "read" ? link_read(answer)
                                           : link_write("SN?");
        // Well before a silent unit's answer time runs out.
        QVERIFY2(timer.elapsed() < 200, QByteArray::number(timer.elapsed()));
        QVERIFY(!done);
        QCOMPARE(answer, QByteArray("kept"));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().first().toString(), name);
        QVERIFY(!serial_port().isOpen());
        QVERIFY(!link_write("OS?"));
        QVERIFY(!link_read(answer));
        QVERIFY(!link_query("OS?", answer));
        QCOMPARE(answer, QByteArray("kept"));
        QCOMPARE(lost.size(), 1);
    }

    void written_command_answer_waits_for_read() {
        pty_server_t unit([](const QByteArray& c) { return answer_line(c + "!"); });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QVERIFY(link_write("MN? "));
        QVERIFY(unit.wait_for_commands(1, 2000));
        QCOMPARE(unit.commands().first(), QByteArray("MN? "));
        // The answer is read once it has arrived; bounded poll, no fixed sleep.
        QByteArray answer;
        QTRY_VERIFY_WITH_TIMEOUT(serial_port().bytesAvailable() >= 6, 2000);
        QVERIFY(link_read(answer));
        QCOMPARE(answer, QByteArray("MN? !"));
    }

    void opening_another_port_while_open_moves_to_it() {
        pty_server_t first([](const QByteArray&) { return answer_line("first"); });
        pty_server_t second([](const QByteArray&) { return answer_line("second"); });
        QVERIFY(serial_open(first.port_name().toUtf8()));
        QVERIFY(serial_open(first.port_name().toUtf8()));
        QVERIFY(serial_open(second.port_name().toUtf8()));
        QByteArray answer;
        QVERIFY(link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("second"));
    }

    void opening_a_missing_port_fails() {
        QVERIFY(!serial_open("/dev/quillon-no-such-port"));
        QVERIFY(!serial_port().isOpen());
    }
};

QTEST_GUILESS_MAIN(test_serial_link)
#include "test_serial_link.moc"
