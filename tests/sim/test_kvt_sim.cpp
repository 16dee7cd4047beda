// kvt-sim end to end: started as a process and reached through the program's
// own serial link.
#include <signal.h>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSerialPort>
#include <QTest>

#include "driver/serial_link.h"
#include "driver/unit.h"

namespace {

constexpr int start_limit_ms = 10000;

struct served_unit_t {
    QByteArray model;
    QByteArray serial_number;
    QByteArray port;
};

// Starts kvt-sim and reads the line it prints for each unit.
bool start_sim(QProcess& process, const QStringList& arguments, int count,
               QVector<served_unit_t>& units) {
    process.start(KVT_SIM_PATH, arguments);
    const QDeadlineTimer deadline(start_limit_ms);
    while (units.size() < count && !deadline.hasExpired()) {
        if (!process.canReadLine() && !process.waitForReadyRead(int(deadline.remainingTime()))) {
            return false;
        }
        while (process.canReadLine() && units.size() < count) {
            const QList<QByteArray> words = process.readLine().trimmed().split(' ');
            if (words.size() != 3) {
                return false;
            }
            units.append({words[0], words[1], words[2]});
        }
    }
    return units.size() == count;
}

bool stop_sim(QProcess& process, int signal) {
    ::kill(pid_t(process.processId()), signal);
    return process.waitForFinished(start_limit_ms) &&
           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Opens the unit's port as the device bar does and identifies it.
bool identify_unit(const served_unit_t& unit, unit_info_t& info) {
    serial_close();
    return serial_open(unit.port) && drv_unit_instance().identify(info);
}

}  // namespace

class test_kvt_sim : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void help_explains_itself();
    void serves_both_models_by_default();
    void single_unit_options();
    void refuses_bad_options_data();
    void refuses_bad_options();
    void verbose_logs_the_exchange();
    void vanished_unit_hangs_up();
};

void test_kvt_sim::cleanup() {
    serial_close();
}

void test_kvt_sim::help_explains_itself() {
    QProcess process;
    process.start(KVT_SIM_PATH, {"--help"});
    QVERIFY(process.waitForFinished(start_limit_ms));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray help = process.readAllStandardOutput();
    for (const char* word : {"quiet", "20 ms", "--units", "--faults", "--verbose", "KVT0206Q"}) {
        QVERIFY2(help.contains(word), word);
    }
}

void test_kvt_sim::serves_both_models_by_default() {
    QProcess process;
    QVector<served_unit_t> units;
    QVERIFY(start_sim(process, {}, 2, units));
    QCOMPARE(units[0].model, QByteArray("KVT0402Q"));
    QCOMPARE(units[1].model, QByteArray("KVT0206Q"));
    QVERIFY(units[0].port != units[1].port);

    drv_unit_t& drv = drv_unit_instance();
    unit_info_t info;
    QVERIFY(identify_unit(units[0], info));
    QCOMPARE(info.model, QByteArray("KVT0402Q"));
    QCOMPARE(info.serial_number, units[0].serial_number);
    QCOMPARE(info.software_version, QByteArray("1.0.0"));
    QVERIFY(info.product_id.toInt() != six_port_product_id);
    char pos = 'x';
    QVERIFY(drv.set_2port_state('C', '1'));
    QVERIFY(drv.get_2port_state('C', pos));
    QCOMPARE(pos, '1');
    QVERIFY(drv.get_2port_state('D', pos));
    QCOMPARE(pos, '0');

    QVERIFY(identify_unit(units[1], info));
    QCOMPARE(info.model, QByteArray("KVT0206Q"));
    QCOMPARE(info.serial_number, units[1].serial_number);
    QCOMPARE(info.product_id.toInt(), six_port_product_id);
    QVERIFY(drv.set_6port_state('B', '5'));
    QVERIFY(drv.get_6port_state('B', pos));
    QCOMPARE(pos, '5');

    serial_close();
    QVERIFY(stop_sim(process, SIGINT));
}

void test_kvt_sim::single_unit_options() {
    QProcess process;
    QVector<served_unit_t> units;
    QVERIFY(start_sim(process,
                      {"--model", "KVT0206Q", "--serial", "SIM-42", "--software-version", "9.1"}, 1,
                      units));
    QCOMPARE(units[0].serial_number, QByteArray("SIM-42"));
    unit_info_t info;
    QVERIFY(identify_unit(units[0], info));
    QCOMPARE(info.model, QByteArray("KVT0206Q"));
    QCOMPARE(info.serial_number, QByteArray("SIM-42"));
    QCOMPARE(info.software_version, QByteArray("9.1"));
    serial_close();
    QVERIFY(stop_sim(process, SIGTERM));
}

void test_kvt_sim::refuses_bad_options_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("mentions");
    QTest::newRow("unknown model") << QStringList{"--model", "KVT1"} << QByteArray("KVT1");
    QTest::newRow("bad list") << QStringList{"--units", "KVT0402Q,faults=smoke"}
                              << QByteArray("smoke");
    QTest::newRow("list and single")
        << QStringList{"--units", "KVT0402Q", "--serial", "A"} << QByteArray("--units");
    QTest::newRow("separator in a value")
        << QStringList{"--serial", "A;KVT0206Q"} << QByteArray("--serial");
    QTest::newRow("unknown option") << QStringList{"--colour"} << QByteArray("colour");
    QTest::newRow("option without value") << QStringList{"--serial"} << QByteArray("serial");
    QTest::newRow("unexpected argument")
        << QStringList{"--model", "KVT0206Q", "KVT0402Q"} << QByteArray("KVT0402Q");
}

void test_kvt_sim::refuses_bad_options() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, mentions);
    QProcess process;
    process.start(KVT_SIM_PATH, arguments);
    if (!process.waitForFinished(start_limit_ms)) {
        QVERIFY(stop_sim(process, SIGTERM));
        QFAIL("kvt-sim started serving");
    }
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    const QByteArray error = process.readAllStandardError();
    QVERIFY2(error.contains(mentions), error.constData());
}

void test_kvt_sim::verbose_logs_the_exchange() {
    QProcess process;
    QVector<served_unit_t> units;
    QVERIFY(
        start_sim(process, {"--verbose", "--units", "KVT0402Q,sn=LOG1,faults=delay:30"}, 1, units));
    unit_info_t info;
    QVERIFY(identify_unit(units[0], info));
    serial_close();
    QVERIFY(stop_sim(process, SIGTERM));
    const QByteArray log = process.readAllStandardError();
    QVERIFY2(log.contains("LOG1 <- OS?\n"), log.constData());
    QVERIFY2(log.contains("LOG1 -> +30 ms APP\\n\n"), log.constData());
    QVERIFY2(log.contains("LOG1 <- SHOW:PRODect:ID?\n"), log.constData());
}

void test_kvt_sim::vanished_unit_hangs_up() {
    QProcess process;
    QVector<served_unit_t> units;
    QVERIFY(start_sim(process, {"--units", "KVT0402Q,faults=vanish:2"}, 1, units));
    QSerialPort port(QString::fromLocal8Bit(units[0].port));
    QVERIFY(port.open(QIODevice::ReadWrite));
    for (const QByteArray& command : {QByteArray("OS?"), QByteArray("MN?")}) {
        port.write(command);
        QTRY_VERIFY_WITH_TIMEOUT(port.canReadLine(), start_limit_ms);
        QVERIFY(!port.readLine().isEmpty());
    }
    QCOMPARE(port.error(), QSerialPort::NoError);
    // The hang-up shows as a read error at once, and as a resource error on the next write.
    port.write("SN?");
    QTRY_VERIFY_WITH_TIMEOUT(port.error() != QSerialPort::NoError, start_limit_ms);
    QVERIFY(!port.canReadLine());
    port.clearError();
    port.write("MN?");
    QTRY_COMPARE_WITH_TIMEOUT(port.error(), QSerialPort::ResourceError, start_limit_ms);
    port.close();
    QVERIFY(stop_sim(process, SIGTERM));
}

QTEST_GUILESS_MAIN(test_kvt_sim)
#include "test_kvt_sim.moc"
