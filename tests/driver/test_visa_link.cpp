#include <QSignalSpy>
#include <QtTest>

#include "driver/link.h"
#include "driver/link_events.h"
#include "driver/serial_link.h"
#include "driver/visa_device.h"
#include "driver/visa_session.h"
#include "sim/pty_server.h"
#include "tests/support/link_answer.h"

// The VISA link against the stand-in library, with units whose faults really
// broke it: over-long answers, a unit that goes away.
namespace {

const QByteArray overlong_unit = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR";
const QByteArray leaving_unit = "USB0::0xA5C3::0x0E21::KVT2024002::INSTR";
const QByteArray late_unit = "USB0::0xA5C3::0x0E21::KVT2024003::INSTR";
const QByteArray split_unit = "USB0::0xA5C3::0x0E21::KVT2024004::INSTR";
const QByteArray foreign = "USB0::0x0957::0x1797::MY12345678::INSTR";

// One exchange as the upgrade's handshake makes it, with the raw write and
// read; the answer, or "(failed) " when the read did not end with an answer.
QByteArray ask_raw(const QByteArray& command) {
    if (!visa_write(command.constData(), command.size())) {
        return "(failed) ";
    }
    char buffer[visa_answer_size] = {};
    const int length = visa_read(buffer, visa_answer_size);
    return length < 0 ? "(failed) " : QByteArray(buffer, length);
}

}  // namespace

class test_visa_link : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Read by the library at its first use, which comes next.
        qputenv("KVT_VISA_UNITS",
                "KVT0402Q,faults=overlong;KVT0206Q,restart=60000;"
                "KVT0402Q,faults=delay:400;KVT0402Q,faults=split:400");
        qputenv("KVT_VISA_TIMEOUT_MS", "250");
        QVERIFY2(visa_available(), "the VISA stand-in did not load");
    }

    void long_answers_are_read_whole_and_the_next_query_keeps_step_data() {
        QTest::addColumn<QByteArray>("resource");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("over-long unit answer")
            << overlong_unit << QByteArray("OS?") << "APP" + QByteArray(68, '#');
        QTest::newRow("sixty bytes with the line feed")
            << foreign << QByteArray(59, 'A') << QByteArray(59, 'A');
        QTest::newRow("an identification line of 150 bytes")
            << foreign << QByteArray(150, 'I') << QByteArray(150, 'I');
        QTest::newRow("an answer of a kilobyte")
            << foreign << QByteArray(1023, 'K') << QByteArray(1023, 'K');
    }

    void long_answers_are_read_whole_and_the_next_query_keeps_step() {
        QFETCH(QByteArray, resource);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, answer);
        QVERIFY(visa_connect(resource));
        QCOMPARE(ask(command), answer);
        QVERIFY(ask("SN?").startsWith(resource == foreign ? "SN?" : "KVT2024001"));
    }

    void an_answer_the_timeout_missed_is_not_taken_by_the_next_exchange_data() {
        QTest::addColumn<QByteArray>("resource");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<QByteArray>("failed");
        QTest::newRow("late, queries") << late_unit << false << QByteArray("(failed) (kept)");
        QTest::newRow("late, raw handshake") << late_unit << true << QByteArray("(failed) ");
        QTest::newRow("cut short, queries") << split_unit << false << QByteArray("(failed) (kept)");
    }

    // Each answer, or its rest, comes after the read gave up on it: none may
    // pass for the next one's, nor a part of one for a whole answer.
    void an_answer_the_timeout_missed_is_not_taken_by_the_next_exchange() {
        QFETCH(QByteArray, resource);
        QFETCH(bool, raw);
        QFETCH(QByteArray, failed);
        QVERIFY(visa_connect(resource));
        for (const char* command : {"OS?", "MN?", "SN?"}) {
            QCOMPARE(raw ? ask_raw(command) : ask(command), failed);
        }
    }

    void an_unread_answer_is_not_taken_by_the_next_query() {
        QVERIFY(visa_connect(overlong_unit));
        QVERIFY(link_write("MN?"));
        QVERIFY(ask("SN?").startsWith("KVT2024001#"));
    }

    void empty_successful_read_keeps_the_callers_answer() {
        QVERIFY(visa_connect(foreign));
        // The echo starts with a zero byte: the read succeeds and holds no text.
        QCOMPARE(ask(QByteArray("\0X", 2)), QByteArray("(failed) (kept)"));
        QCOMPARE(ask("SN?"), QByteArray("SN?"));
    }

    // An address is one part of the resource text: one that would make
    // another part of it is refused before the library sees it.
    void lan_resource_is_built_from_an_address_alone() {
        for (const QByteArray& address : {QByteArray("127.0.0.1::KVT2024001"),
                                          QByteArray("127.0.0.1::inst0::INSTR"), QByteArray()}) {
            ViSession session = 0;
            QCOMPARE(drv_device_instance().open_lan_resource(address, session),
                     VI_ERROR_INV_RSRC_NAME);
            QCOMPARE(session, ViSession(0));
        }
    }

    void visa_carries_the_traffic_even_with_a_serial_port_open() {
        pty_server_t serial_unit([](const QByteArray&) { return answer_t{{0, "serial\n"}}; });
        QVERIFY(serial_open(serial_unit.port_name().toUtf8()));
        QVERIFY(visa_connect(leaving_unit));
        QCOMPARE(ask("SN?"), QByteArray("KVT2024002"));
        QVERIFY(link_write("SN?"));
        QCOMPARE(serial_unit.commands(), QList<QByteArray>());
        serial_close();
    }

    // Runs last: the unit stays away.
    void lost_resource_ends_the_session_and_is_reported() {
        QVERIFY(visa_connect(leaving_unit));
        QSignalSpy lost(&link_events(), &link_events_t::unit_lost);
        QVERIFY(link_write("REBOOT"));
        QCOMPARE(ask("SN?"), QByteArray("(failed) (kept)"));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().first().toString(), QString(leaving_unit));
        QCOMPARE(visa_session(), ViSession(0));
        QCOMPARE(ask("SN?"), QByteArray("(failed) (kept)"));
        QCOMPARE(lost.size(), 1);
    }
};

QTEST_GUILESS_MAIN(test_visa_link)
#include "test_visa_link.moc"
