// Faults of the simulated units as a VISA client meets them through the stand-in.
#include <QtTest>

#include "driver/visa_binding.h"

namespace {

const char* const vanishing_unit = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR";
const char* const failing_unit = "USB0::0xA5C3::0x0E21::KVT2024002::INSTR";

const visa_entry_points_t& vi() {
    return visa_entry_points();
}

// Writes the command and reads its answer; the status of the first step that fails.
ViStatus query(ViSession session, const QByteArray& command, QByteArray& answer) {
    ViUInt32 count = 0;
    const ViStatus written =
        vi().viWrite(session, reinterpret_cast<const ViByte*>(command.constData()),
                     ViUInt32(command.size()), &count);
    if (written != VI_SUCCESS) {
        return written;
    }
    QByteArray buffer(64, '\0');
    const ViStatus status =
        vi().viRead(session, reinterpret_cast<ViByte*>(buffer.data()), 64, &count);
    answer = buffer.left(int(count));
    return status;
}

}  // namespace

class test_visa_unit_faults : public QObject {
    Q_OBJECT

    ViSession rm = 0;

    ViSession open(const char* name) {
        ViSession session = 0;
        return vi().viOpen(rm, name, 0, 0, &session) == VI_SUCCESS ? session : 0;
    }

    ViUInt32 listed() {
        ViUInt32 count = 0;
        ViChar text[VI_FIND_BUFLEN] = {};
        vi().viFindRsrc(rm, "?*0xA5C3::0x0E21?*", nullptr, &count, text);
        return count;
    }

private slots:
    void initTestCase() {
        qputenv("KVT_VISA_UNITS", "KVT0402Q,faults=vanish:2;KVT0206Q,faults=fail:SV?");
        qputenv("KVT_VISA_TIMEOUT_MS", "200");
        QVERIFY(vi().complete());
        QCOMPARE(vi().viOpenDefaultRM(&rm), VI_SUCCESS);
    }

    void failing_command_times_out_and_the_next_is_answered() {
        const ViSession session = open(failing_unit);
        QVERIFY(session != 0);
        QByteArray answer;
        QCOMPARE(query(session, "SN?", answer), VI_SUCCESS);
        QCOMPARE(answer, QByteArray("KVT2024002\n"));
        QCOMPARE(query(session, "SV?", answer), VI_ERROR_TMO);
        QCOMPARE(answer, QByteArray());
        QCOMPARE(query(session, "SHOW:PRODect:ID?", answer), VI_SUCCESS);
        QCOMPARE(answer, QByteArray("29\n"));
        vi().viClose(session);
    }

    void vanished_unit_is_lost_for_good() {
        QCOMPARE(listed(), ViUInt32(2));
        const ViSession session = open(vanishing_unit);
        QVERIFY(session != 0);
        QByteArray answer;
        QCOMPARE(query(session, "OS?", answer), VI_SUCCESS);
        QCOMPARE(query(session, "MN?", answer), VI_SUCCESS);
        QCOMPARE(answer, QByteArray("KVT0402Q\n"));
        QCOMPARE(query(session, "SN?", answer), VI_ERROR_CONN_LOST);
        QCOMPARE(listed(), ViUInt32(1));
        QCOMPARE(open(vanishing_unit), ViSession(0));
        vi().viClose(session);
    }
};

QTEST_GUILESS_MAIN(test_visa_unit_faults)
#include "test_visa_unit_faults.moc"
