#include <QSerialPort>
#include <QtTest>

#include "driver/link.h"
#include "driver/serial_link.h"
#include "sim/pty_server.h"

namespace {

answer_t line(const QByteArray& text) {
    return {{0, text + '\n'}};
}

}  // namespace

class test_serial_link : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { serial_close(); }

    void without_open_port_every_call_fails_and_sends_nothing() {
        pty_server_t unit([](const QByteArray&) { return line("X"); });
        QByteArray answer = "kept";
        QVERIFY(!link_write("*IDN?"));
        QVERIFY(!link_read(answer));
        QVERIFY(!link_query("*IDN?", answer));
        QCOMPARE(answer, QByteArray("kept"));
        QVERIFY(!unit.wait_for_commands(1, 100));
    }

    void command_goes_out_exactly_and_answer_loses_last_byte() {
        pty_server_t unit([](const QByteArray&) { return line("APP"); });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QByteArray answer;
        QVERIFY(link_query("*IDN?", answer));
        QCOMPARE(answer, QByteArray("APP"));
        QCOMPARE(unit.commands(), QList<QByteArray>{"*IDN?"});
    }

    void answer_of_only_a_line_feed_is_empty_but_succeeds() {
        pty_server_t unit([](const QByteArray&) { return line(""); });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QByteArray answer = "old";
        QVERIFY(link_query("SETA=1", answer));
        QCOMPARE(answer, QByteArray());
    }

    void query_without_answer_succeeds_with_empty_answer() {
        pty_server_t unit([](const QByteArray&) { return answer_t{}; });
        QVERIFY(serial_open(unit.port_name().toUtf8()));
        QByteArray answer = "old";
        QVERIFY(link_query("GETA?", answer));
        QCOMPARE(answer, QByteArray());
        QByteArray read = "old";
        QVERIFY(link_read(read));
        QCOMPARE(read, QByteArray());
    }

    void written_command_answer_waits_for_read() {
        pty_server_t unit([](const QByteArray& c) { return line(c + "!"); });
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

    void opening_another_port_while_open_keeps_the_old_one() {
        pty_server_t first([](const QByteArray&) { return line("first"); });
        pty_server_t second([](const QByteArray&) { return line("second"); });
        QVERIFY(serial_open(first.port_name().toUtf8()));
        QVERIFY(serial_open(second.port_name().toUtf8()));
        QByteArray answer;
        QVERIFY(link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("first"));
        QVERIFY(!second.wait_for_commands(1, 50));
    }

    void opening_a_missing_port_fails() {
        QVERIFY(!serial_open("/dev/quillon-no-such-port"));
        QVERIFY(!serial_port().isOpen());
    }
};

QTEST_GUILESS_MAIN(test_serial_link)
#include "test_serial_link.moc"
