#include <QElapsedTimer>
#include <QtTest>

#include "driver/link.h"
#include "driver/visa_session.h"

// The stand-in with a unit that never comes back after a restart and one that
// needs a while.
namespace {

const QByteArray never_back = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR";
const QByteArray slow_back = "USB0::0xA5C3::0x0E21::KVT2024002::INSTR";
constexpr qint64 slow_restart_ms = 1200;

bool restart_current_unit() {
    return visa_write("REBOOT", 7) && visa_close();
}

}  // namespace

class test_visa_reopen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qputenv("KVT_VISA_UNITS", "KVT0402Q,faults=never-back;KVT0206Q,restart=1200");
    }

    void reopen_waits_for_the_unit_over_several_attempts() {
        QVERIFY(visa_connect(slow_back));
        QElapsedTimer since_restart;
        since_restart.start();
        QVERIFY(restart_current_unit());
        QCOMPARE(visa_session(), ViSession(0));
        QVERIFY(visa_reopen());
        QVERIFY(since_restart.elapsed() >= slow_restart_ms);
        QCOMPARE(visa_resource_name(), slow_back);
        QByteArray answer;
        QVERIFY(link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("KVT2024002"));
    }

    void unit_that_never_comes_back_is_replaced_by_the_first_resource_found() {
        QVERIFY(visa_connect(never_back));
        QVERIFY(restart_current_unit());
        QVERIFY(visa_reopen());
        QCOMPARE(visa_resource_name(), slow_back);
        QByteArray answer;
        QVERIFY(link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("KVT2024002"));
    }

    void search_leaves_out_the_unit_that_is_away() {
        QStringList list;
        ViUInt32 count = 0;
        QCOMPARE(visa_find_units(list, count), visa_done);
        QCOMPARE(count, ViUInt32(2));
        QVERIFY(!list.contains(never_back));
    }
};

QTEST_GUILESS_MAIN(test_visa_reopen)
#include "test_visa_reopen.moc"
