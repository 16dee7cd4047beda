#include <QtTest>

#include "driver/link.h"
#include "driver/visa_session.h"

// Run once without any VISA library and once with a library that has a
// resource manager but lacks the other functions: either way the binding is
// not ready and nothing reaches the library.
class test_visa_not_ready : public QObject {
    Q_OBJECT
private slots:
    void binding_is_not_ready_for_the_whole_process() {
        QVERIFY(!visa_available());
        QVERIFY(!visa_available());
    }

    void search_reports_an_unusable_library() {
        QStringList list{"kept"};
        ViUInt32 count = 7;
        QCOMPARE(visa_find_units(list, count), visa_not_usable);
        QCOMPARE(count, ViUInt32(0));
        QCOMPARE(list, QStringList{"kept"});
    }

    void session_operations_fail() {
        QVERIFY(!visa_connect("USB0::0xA5C3::0x0E21::KVT2024001::INSTR"));
        QCOMPARE(visa_resource_name(), QByteArray());
        QVERIFY(!visa_close());
        QVERIFY(!visa_reopen());
        QCOMPARE(visa_session(), ViSession(0));
        QVERIFY(!visa_write("SN?", 3));
        char buffer[visa_answer_size] = {};
        QCOMPARE(visa_read(buffer, visa_answer_size), -1);
    }

    void dispatch_falls_back_to_the_closed_serial_port() {
        QByteArray answer = "kept";
        QVERIFY(!link_query("SN?", answer));
        QVERIFY(!link_read(answer));
        QCOMPARE(answer, QByteArray("kept"));
    }
};

QTEST_GUILESS_MAIN(test_visa_not_ready)
#include "test_visa_not_ready.moc"
