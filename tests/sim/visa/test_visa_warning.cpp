#include <QtTest>

#include "driver/visa_session.h"

// The stand-in opens its resource manager with a warning status.
class test_visa_warning : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("KVT_VISA_RM_WARNING", "1"); }

    void warning_from_the_resource_manager_counts_as_ready() {
        QVERIFY(visa_available());
        QStringList list;
        ViUInt32 count = 0;
        QCOMPARE(visa_find_units(list, count), visa_done);
        QCOMPARE(count, ViUInt32(3));
    }
};

QTEST_GUILESS_MAIN(test_visa_warning)
#include "test_visa_warning.moc"
