#include <QtTest>

#include "driver/unit_discovery.h"
#include "driver/visa_session.h"

// A ready VISA library whose search finds nothing.
class test_visa_none_found : public QObject {
    Q_OBJECT
private slots:
    void search_reports_not_found_and_lists_nothing() {
        QVERIFY(visa_available());
        QStringList list{"kept"};
        ViUInt32 count = 7;
        QCOMPARE(visa_find_units(list, count), visa_none_found);
        QCOMPARE(count, ViUInt32(0));
        QCOMPARE(list, QStringList{"kept"});
        QCOMPARE(find_units(unit_search_t()), QStringList());
    }
};

QTEST_GUILESS_MAIN(test_visa_none_found)
#include "test_visa_none_found.moc"
