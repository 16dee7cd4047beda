#include <QtTest>

#include "driver/unit_answers.h"

// Which commands a unit answers and which restart it, as the unit reads them.
class test_unit_answers : public QObject {
    Q_OBJECT
private slots:
    void commands_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("restarts");
        const QByteArray block = "UPGRADE " + QByteArray(2047, '\x5a') + '\n';
        QTest::newRow("query") << QByteArray("SN?") << true << false;
        QTest::newRow("query, pyvisa's line end") << QByteArray("GETA?\r\n") << true << false;
        QTest::newRow("switch command") << QByteArray("SETA=1\n") << true << false;
        QTest::newRow("upgrade identity query") << QByteArray("UPGRADE:ID?") << true << false;
        QTest::newRow("unknown identity command")
            << QByteArray("SYSTem:DEVice:NAME?") << true << false;
        QTest::newRow("restart into the bootloader, zero byte")
            << QByteArray("REBOOT 1", 9) << false << true;
        QTest::newRow("restart, line end") << QByteArray("REBOOT\r\n") << false << true;
        QTest::newRow("restart with more text") << QByteArray("REBOOT 2") << true << false;
        QTest::newRow("announcement") << QByteArray("HOSTUG 20000", 13) << false << false;
        QTest::newRow("bootloader announcement") << QByteArray("BOOTUG 4096") << false << false;
        QTest::newRow("verdict") << QByteArray("UPGRADE:PASS", 13) << false << false;
        QTest::newRow("failed verdict") << QByteArray("UPGRADE:FAIL\n") << false << false;
        QTest::newRow("block ending in a line feed") << block << false << false;
        QTest::newRow("identity command")
            << QByteArray("SYSTem:DEVice:PIDUG 0x0E21") << false << false;
        QTest::newRow("identity data that reads REBOOT")
            << QByteArray("SYSTem:DEVice:PRODUCTUG REBOOT") << false << false;
    }

    void commands() {
        QFETCH(QByteArray, command);
        QFETCH(bool, answers);
        QFETCH(bool, restarts);
        QCOMPARE(unit_answers(command), answers);
        QCOMPARE(unit_restarts(command), restarts);
    }
};

QTEST_GUILESS_MAIN(test_unit_answers)
#include "test_unit_answers.moc"
