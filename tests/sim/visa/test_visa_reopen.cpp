#include <QElapsedTimer>
#include <QtTest>

#include "driver/link.h"
#include "driver/visa_session.h"

// The stand-in with units that never come back after a restart, units that
// come back after a while, and one attached all along.
namespace {

QByteArray resource(const QByteArray& serial) {
    return "USB0::0xA5C3::0x0E21::" + serial + "::INSTR";
}

constexpr qint64 slow_restart_ms = 1200;

// The reopen follows the unit by the serial number it was connected as.
bool connect_following(const QByteArray& serial) {
    current_visa_link().set_unit_serial(serial);
    return visa_connect(resource(serial));
}

bool restart_current_unit() {
    return visa_write("REBOOT", 7) && visa_close();
}

}  // namespace

class test_visa_reopen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The newcomers are back long after a restart noted what was attached,
        // and long before the reopen gives up on the unit's own name.
        qputenv("KVT_VISA_UNITS",
                "KVT0402Q,sn=ALONG,restart=1200;"
                "KVT0402Q,sn=GONE1,faults=never-back;KVT0402Q,sn=GONE2,faults=never-back;"
                "KVT0402Q,sn=GONE3,faults=never-back;KVT0402Q,sn=NEW1,restart=2000;"
                "KVT0402Q,sn=NEW2,restart=2000;KVT0402Q,sn=NEW3,restart=2000");
    }

    void reopen_waits_for_the_unit_over_several_attempts() {
        QVERIFY(connect_following("ALONG"));
        QElapsedTimer since_restart;
        since_restart.start();
        QVERIFY(restart_current_unit());
        QCOMPARE(visa_session(), ViSession(0));
        QVERIFY(visa_reopen());
        QVERIFY(since_restart.elapsed() >= slow_restart_ms);
        QCOMPARE(visa_resource_name(), resource("ALONG"));
        QByteArray answer;
        QVERIFY(link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("ALONG"));
    }

    // No other unit is ever taken for one that does not come back: not one
    // attached all along, nor one that appeared while it was away.
    void unit_that_never_comes_back_data() {
        QTest::addColumn<QByteArray>("gone");
        QTest::addColumn<QByteArrayList>("newcomers");
        QTest::newRow("units attached all along") << QByteArray("GONE1") << QByteArrayList{};
        QTest::newRow("one newcomer") << QByteArray("GONE2") << QByteArrayList{"NEW1"};
        QTest::newRow("two newcomers") << QByteArray("GONE3") << QByteArrayList{"NEW2", "NEW3"};
    }

    void unit_that_never_comes_back() {
        QFETCH(QByteArray, gone);
        QFETCH(QByteArrayList, newcomers);
        for (const QByteArray& newcomer : newcomers) {
            QVERIFY(visa_connect(resource(newcomer)));
            QVERIFY(restart_current_unit());
        }
        QVERIFY(connect_following(gone));
        QVERIFY(restart_current_unit());
        QVERIFY(!visa_reopen());
        QCOMPARE(visa_session(), ViSession(0));
        QCOMPARE(visa_resource_name(), resource(gone));
    }

    // A unit whose serial number is not known cannot be followed.
    void reopen_without_a_serial_number_opens_nothing() {
        QVERIFY(visa_connect(resource("ALONG")));
        current_visa_link().set_unit_serial({});
        QVERIFY(!visa_reopen());
        QCOMPARE(visa_session(), ViSession(0));
    }

    void search_leaves_out_the_units_that_are_away() {
        const QStringList units = visa_attached_units();
        QVERIFY(units.contains(resource("ALONG")));
        for (const QByteArray gone : {"GONE1", "GONE2", "GONE3"}) {
            QVERIFY(!units.contains(resource(gone)));
        }
    }
};

QTEST_GUILESS_MAIN(test_visa_reopen)
#include "test_visa_reopen.moc"
