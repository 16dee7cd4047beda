#include <QtTest>

#include "driver/visa_session.h"

// The only unit never comes back after a restart; the stand-in still lists
// its instrument of another maker.
class test_visa_reopen_alone : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("KVT_VISA_UNITS", "KVT0402Q,faults=never-back"); }

    void reopen_never_takes_another_makers_instrument() {
        const QByteArray unit = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR";
        current_visa_link().set_unit_serial("KVT2024001");
        QVERIFY(visa_connect(unit));
        QVERIFY(visa_write("REBOOT", 7));
        QVERIFY(visa_close());
        QVERIFY(!visa_reopen());
        QCOMPARE(visa_session(), ViSession(0));
        QCOMPARE(visa_resource_name(), unit);
    }
};

QTEST_GUILESS_MAIN(test_visa_reopen_alone)
#include "test_visa_reopen_alone.moc"
