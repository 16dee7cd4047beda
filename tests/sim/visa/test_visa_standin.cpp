#include <unistd.h>

#include <QElapsedTimer>
#include <QLibrary>
#include <QScopeGuard>
#include <QtTest>
#include <atomic>
#include <thread>

#include "driver/visa_binding.h"
#include "sim/visa/visa_attributes.h"
#include "sim/visa/visa_statuses.h"

// The stand-in through the C interface, configured with a unit whose answers
// come in two pieces 150 ms apart and which restarts in 3 s, a unit that never
// answers, and a 300 ms I/O timeout.
namespace {

const char* const split_unit = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR";
const char* const silent_unit = "USB0::0xA5C3::0x0E21::KVT2024002::INSTR";
const char* const foreign = "USB0::0x0957::0x1797::MY12345678::INSTR";
constexpr qint64 split_gap_ms = 150;
constexpr qint64 timeout_ms = 300;
constexpr int restart_ms = 3000;

const visa_entry_points_t& vi() {
    return visa_entry_points();
}

struct read_t {
    ViStatus status;
    QByteArray bytes;
};

read_t read(ViSession session, ViUInt32 max) {
    QByteArray buffer(int(max), '\0');
    ViUInt32 count = 0;
    const ViStatus status =
        vi().viRead(session, reinterpret_cast<ViByte*>(buffer.data()), max, &count);
    return {status, buffer.left(int(count))};
}

ViStatus write(ViSession session, const QByteArray& bytes) {
    ViUInt32 count = 0;
    return vi().viWrite(session, reinterpret_cast<const ViByte*>(bytes.constData()),
                        ViUInt32(bytes.size()), &count);
}

// The program never locks, so its binding lacks these.
using lock_function_t = ViStatus (*)(ViSession, ViAccessMode, ViUInt32, const ViChar*, ViChar*);
using unlock_function_t = ViStatus (*)(ViSession);

ViStatus lock(ViSession session, ViUInt32 timeout_ms) {
    static const auto function =
        reinterpret_cast<lock_function_t>(QLibrary::resolve("visa", "viLock"));
    return function(session, VI_EXCLUSIVE_LOCK, timeout_ms, nullptr, nullptr);
}

ViStatus unlock(ViSession session) {
    static const auto function =
        reinterpret_cast<unlock_function_t>(QLibrary::resolve("visa", "viUnlock"));
    return function(session);
}

// The state letter /proc gives a thread of this process: 'S' while it sleeps.
char thread_state(pid_t thread) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(thread));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    const int name_end = text.lastIndexOf(')');
    return name_end >= 0 && name_end + 2 < text.size() ? text.at(name_end + 2) : '?';
}

}  // namespace

class test_visa_standin : public QObject {
    Q_OBJECT

    ViSession rm = 0;

    ViSession open(const char* name) {
        ViSession session = 0;
        const ViStatus status = vi().viOpen(rm, name, 0, 0, &session);
        return status == VI_SUCCESS ? session : 0;
    }

private slots:
    void initTestCase() {
        qputenv("KVT_VISA_UNITS", "KVT0402Q,faults=split:150,restart=3000;KVT0206Q,faults=silent");
        qputenv("KVT_VISA_TIMEOUT_MS", QByteArray::number(timeout_ms));
        QVERIFY(vi().complete());
        QCOMPARE(vi().viOpenDefaultRM(&rm), VI_SUCCESS);
    }

    void search_expressions_data() {
        QTest::addColumn<QByteArray>("expression");
        QTest::addColumn<ViStatus>("status");
        QTest::addColumn<ViUInt32>("count");
        QTest::newRow("usb instruments") << QByteArray("USB?*INSTR") << VI_SUCCESS << ViUInt32(3);
        QTest::newRow("all instruments") << QByteArray("?*INSTR") << VI_SUCCESS << ViUInt32(3);
        QTest::newRow("everything") << QByteArray("?*") << VI_SUCCESS << ViUInt32(3);
        QTest::newRow("case-insensitive") << QByteArray("usb?*instr") << VI_SUCCESS << ViUInt32(3);
        QTest::newRow("units") << QByteArray("?*0xA5C3::0x0E21?*") << VI_SUCCESS << ViUInt32(2);
        QTest::newRow("one or more") << QByteArray("USB0+::?*MY1+2?*") << VI_SUCCESS << ViUInt32(1);
        QTest::newRow("literal") << QByteArray(foreign) << VI_SUCCESS << ViUInt32(1);
        QTest::newRow("no match") << QByteArray("TCPIP?*") << VI_ERROR_RSRC_NFOUND << ViUInt32(0);
        QTest::newRow("repeat of nothing")
            << QByteArray("*INSTR") << VI_ERROR_INV_EXPR << ViUInt32(0);
        // Expressions that once took the library down or held it for minutes.
        QTest::newRow("many repeats")
            << QByteArray("Z*").repeated(2000) << VI_ERROR_RSRC_NFOUND << ViUInt32(0);
        QTest::newRow("repeated any, then a miss")
            << QByteArray("?*").repeated(10) + 'Z' << VI_ERROR_RSRC_NFOUND << ViUInt32(0);
        QTest::newRow("repeated any at the longest")
            << QByteArray("?*").repeated(2047) + 'R' << VI_SUCCESS << ViUInt32(3);
        QTest::newRow("longer than a search takes")
            << QByteArray("Z*").repeated(200000) << VI_ERROR_INV_EXPR << ViUInt32(0);
    }

    void search_expressions() {
        QFETCH(QByteArray, expression);
        QFETCH(ViStatus, status);
        QFETCH(ViUInt32, count);
        ViFindList list = 0;
        ViUInt32 found = 99;
        ViChar text[VI_FIND_BUFLEN] = {};
        QCOMPARE(vi().viFindRsrc(rm, expression.constData(), &list, &found, text), status);
        QCOMPARE(found, count);
        if (list != 0) {
            QCOMPARE(vi().viClose(list), VI_SUCCESS);
        }
    }

    void find_list_hands_out_each_text_once_in_order() {
        ViFindList list = 0;
        ViUInt32 count = 0;
        ViChar text[VI_FIND_BUFLEN] = {};
        QCOMPARE(vi().viFindRsrc(rm, "USB?*INSTR", &list, &count, text), VI_SUCCESS);
        QCOMPARE(QByteArray(text), QByteArray(split_unit));
        QCOMPARE(vi().viFindNext(list, text), VI_SUCCESS);
        QCOMPARE(QByteArray(text), QByteArray(silent_unit));
        QCOMPARE(vi().viFindNext(list, text), VI_SUCCESS);
        QCOMPARE(QByteArray(text), QByteArray(foreign));
        QCOMPARE(vi().viFindNext(list, text), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(vi().viClose(list), VI_SUCCESS);
        QCOMPARE(vi().viFindNext(list, text), VI_ERROR_INV_OBJECT);
    }

    void open_accepts_the_forms_of_the_same_resource() {
        for (const char* name :
             {"usb0::0xa5c3::0x0e21::KVT2024001::instr", "USB::42435::3617::KVT2024001::0::INSTR",
              "USB0::0xA5C3::0x0E21::KVT2024001"}) {
            const ViSession session = open(name);
            QVERIFY2(session != 0, name);
            QCOMPARE(vi().viClose(session), VI_SUCCESS);
        }
        QCOMPARE(open("USB0::0xA5C3::0x0E21::KVT2024009::INSTR"), ViSession(0));
    }

    void answer_in_pieces_is_read_as_one_message() {
        const ViSession session = open(split_unit);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(write(session, "SN?"), VI_SUCCESS);
        const read_t answer = read(session, 64);
        QCOMPARE(answer.status, VI_SUCCESS);
        QCOMPARE(answer.bytes, QByteArray("KVT2024001\n"));
        QVERIFY(timer.elapsed() >= split_gap_ms);
        vi().viClose(session);
    }

    void read_stops_at_the_maximum_count_and_goes_on_from_there() {
        const ViSession session = open(split_unit);
        QCOMPARE(write(session, "MN?"), VI_SUCCESS);
        read_t part = read(session, 3);
        QCOMPARE(part.status, VI_SUCCESS_MAX_CNT);
        QCOMPARE(part.bytes, QByteArray("KVT"));
        part = read(session, 64);
        QCOMPARE(part.status, VI_SUCCESS);
        QCOMPARE(part.bytes, QByteArray("0402Q\n"));
        // A read that takes exactly the whole message is still a full read.
        QCOMPARE(write(session, "MN?"), VI_SUCCESS);
        part = read(session, 9);
        QCOMPARE(part.status, VI_SUCCESS_MAX_CNT);
        QCOMPARE(part.bytes, QByteArray("KVT0402Q\n"));
        vi().viClose(session);
    }

    void termination_character_ends_a_read_when_enabled() {
        const ViSession session = open(foreign);
        QCOMPARE(vi().viSetAttribute(session, VI_ATTR_TERMCHAR, ':'), VI_SUCCESS);
        QCOMPARE(vi().viSetAttribute(session, VI_ATTR_TERMCHAR_EN, 1), VI_SUCCESS);
        QCOMPARE(write(session, "ab:cd"), VI_SUCCESS);
        read_t part = read(session, 64);
        QCOMPARE(part.status, VI_SUCCESS_TERM_CHAR);
        QCOMPARE(part.bytes, QByteArray("ab:"));
        part = read(session, 64);
        QCOMPARE(part.status, VI_SUCCESS);
        QCOMPARE(part.bytes, QByteArray("cd\n"));
        vi().viClose(session);
    }

    void read_without_answer_times_out() {
        const ViSession session = open(silent_unit);
        ViUInt32 timeout = 0;
        QCOMPARE(vi().viGetAttribute(session, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
        QCOMPARE(qint64(timeout), timeout_ms);
        QCOMPARE(write(session, "SN?"), VI_SUCCESS);
        QElapsedTimer timer;
        timer.start();
        const read_t answer = read(session, 64);
        QCOMPARE(answer.status, VI_ERROR_TMO);
        QCOMPARE(answer.bytes, QByteArray());
        QVERIFY(timer.elapsed() >= timeout_ms);
        QCOMPARE(vi().viSetAttribute(session, VI_ATTR_TMO_VALUE, 0xFFFFFFFF),
                 VI_ERROR_NSUP_ATTR_STATE);
        QCOMPARE(vi().viSetAttribute(session, VI_ATTR_TMO_VALUE, 0), VI_SUCCESS);
        QCOMPARE(read(session, 64).status, VI_ERROR_TMO);
        vi().viClose(session);
    }

    void timeout_is_bounded_data() {
        QTest::addColumn<ViAttrState>("value");
        QTest::addColumn<ViStatus>("status");
        QTest::addColumn<ViUInt32>("kept");
        QTest::newRow("immediate") << ViAttrState(0) << VI_SUCCESS << ViUInt32(0);
        QTest::newRow("longest") << ViAttrState(600000) << VI_SUCCESS << ViUInt32(600000);
        QTest::newRow("one more") << ViAttrState(600001) << VI_ERROR_NSUP_ATTR_STATE
                                  << ViUInt32(timeout_ms);
        QTest::newRow("49 days") << ViAttrState(0xFFFFFFFE) << VI_ERROR_NSUP_ATTR_STATE
                                 << ViUInt32(timeout_ms);
        QTest::newRow("infinite") << ViAttrState(0xFFFFFFFF) << VI_ERROR_NSUP_ATTR_STATE
                                  << ViUInt32(timeout_ms);
    }

    void timeout_is_bounded() {
        QFETCH(ViAttrState, value);
        QFETCH(ViStatus, status);
        QFETCH(ViUInt32, kept);
        const ViSession session = open(foreign);
        QCOMPARE(vi().viSetAttribute(session, VI_ATTR_TMO_VALUE, value), status);
        ViUInt32 timeout = 1;
        QCOMPARE(vi().viGetAttribute(session, VI_ATTR_TMO_VALUE, &timeout), VI_SUCCESS);
        QCOMPARE(timeout, kept);
        vi().viClose(session);
    }

    void answers_belong_to_their_session_data() {
        QTest::addColumn<bool>("first_closed");
        QTest::newRow("both open") << false;
        QTest::newRow("first closed unread") << true;
    }

    void answers_belong_to_their_session() {
        QFETCH(bool, first_closed);
        const ViSession first = open(foreign);
        const ViSession second = open(foreign);
        QCOMPARE(write(first, "first"), VI_SUCCESS);
        if (first_closed) {
            QCOMPARE(vi().viClose(first), VI_SUCCESS);
        }
        QCOMPARE(write(second, "second"), VI_SUCCESS);
        QCOMPARE(read(second, 64).bytes, QByteArray("second\n"));
        if (!first_closed) {
            QCOMPARE(read(first, 64).bytes, QByteArray("first\n"));
            vi().viClose(first);
        }
        // Nothing of the other session is left for a later read.
        QCOMPARE(vi().viSetAttribute(second, VI_ATTR_TMO_VALUE, 0), VI_SUCCESS);
        QCOMPARE(read(second, 64).status, VI_ERROR_TMO);
        vi().viClose(second);
    }

    void other_sessions_go_on_during_a_wait_and_a_search() {
        // A read that waits as long as a session may, ended only by closing its session.
        const ViSession waiting = open(silent_unit);
        QCOMPARE(vi().viSetAttribute(waiting, VI_ATTR_TMO_VALUE, 600000), VI_SUCCESS);
        QCOMPARE(write(waiting, "SN?"), VI_SUCCESS);
        std::atomic<bool> read_started{false};
        std::atomic<bool> read_ended{false};
        ViStatus read_status = VI_SUCCESS;
        std::thread reader([&] {
            read_started = true;
            read_status = read(waiting, 64).status;
            read_ended = true;
        });
        QTRY_VERIFY(read_started);
        constexpr int searches = 5;
        std::atomic<int> searches_not_found{0};
        std::thread searcher([&] {
            const QByteArray worst = QByteArray("?*").repeated(2047) + 'Z';
            for (int i = 0; i < searches; ++i) {
                ViUInt32 count = 0;
                ViChar text[VI_FIND_BUFLEN] = {};
                if (vi().viFindRsrc(rm, worst.constData(), nullptr, &count, text) ==
                    VI_ERROR_RSRC_NFOUND) {
                    ++searches_not_found;
                }
            }
        });
        const ViSession other = open(foreign);
        for (int i = 0; i < 20; ++i) {
            const QByteArray command = "query " + QByteArray::number(i);
            QCOMPARE(write(other, command), VI_SUCCESS);
            const read_t answer = read(other, 64);
            QCOMPARE(answer.status, VI_SUCCESS);
            QCOMPARE(answer.bytes, command + '\n');
        }
        QVERIFY(!read_ended);
        QCOMPARE(vi().viClose(waiting), VI_SUCCESS);
        reader.join();
        searcher.join();
        QCOMPARE(read_status, VI_ERROR_INV_OBJECT);
        QCOMPARE(searches_not_found.load(), searches);
        vi().viClose(other);
    }

    // Only its holder releases a lock, and a session waiting for it gets it
    // as soon as the holder does, long before its own timeout.
    void lock_is_its_holders_and_passes_to_a_waiter() {
        const ViSession holder = open(foreign);
        const ViSession waiter = open(foreign);
        const auto close_both = qScopeGuard([&] {
            vi().viClose(waiter);
            vi().viClose(holder);
        });
        QCOMPARE(lock(holder, 0), VI_SUCCESS);
        QCOMPARE(unlock(waiter), VI_ERROR_SESN_NLOCKED);
        QCOMPARE(write(waiter, "locked out"), VI_ERROR_RSRC_LOCKED);

        std::atomic<pid_t> waiting_thread{0};
        std::atomic<ViStatus> lock_status{VI_ERROR_TMO};
        std::atomic<bool> lock_ended{false};
        std::thread locker([&] {
            waiting_thread = gettid();
            lock_status = lock(waiter, 600000);
            lock_ended = true;
        });
        // Closing its session ends a wait that the unlock failed to end.
        const auto end_locker = qScopeGuard([&] {
            vi().viClose(waiter);
            locker.join();
        });
        // Asleep in its wait: a locker not yet there would find the lock free anyway.
        QTRY_VERIFY(waiting_thread != 0 && thread_state(waiting_thread) == 'S');
        QVERIFY(!lock_ended);
        QCOMPARE(unlock(holder), VI_SUCCESS);
        QTRY_VERIFY_WITH_TIMEOUT(lock_ended, 10000);
        QCOMPARE(lock_status.load(), VI_SUCCESS);
        QCOMPARE(write(holder, "locked out"), VI_ERROR_RSRC_LOCKED);
    }

    void closed_session_is_invalid() {
        const ViSession session = open(foreign);
        QCOMPARE(vi().viClose(session), VI_SUCCESS);
        QCOMPARE(write(session, "*IDN?"), VI_ERROR_INV_OBJECT);
        QCOMPARE(read(session, 8).status, VI_ERROR_INV_OBJECT);
        QCOMPARE(vi().viClear(session), VI_ERROR_INV_OBJECT);
        QCOMPARE(vi().viClose(session), VI_ERROR_INV_OBJECT);
        QCOMPARE(vi().viClose(0), VI_WARN_NULL_OBJECT);
    }

    void closing_a_resource_manager_closes_its_sessions() {
        ViSession other = 0;
        QCOMPARE(vi().viOpenDefaultRM(&other), VI_SUCCESS);
        ViSession session = 0;
        QCOMPARE(vi().viOpen(other, foreign, 0, 0, &session), VI_SUCCESS);
        QCOMPARE(vi().viClose(other), VI_SUCCESS);
        QCOMPARE(write(session, "*IDN?"), VI_ERROR_INV_OBJECT);
        QCOMPARE(vi().viOpen(other, foreign, 0, 0, &session), VI_ERROR_INV_OBJECT);
    }

    void restarting_unit_is_away_until_it_is_back() {
        const ViSession session = open(split_unit);
        const ViSession other = open(split_unit);
        QCOMPARE(write(other, "MN?"), VI_SUCCESS);  // its answer is lost with the restart
        QCOMPARE(write(session, QByteArray("REBOOT", 7)), VI_SUCCESS);
        QCOMPARE(write(session, "SN?"), VI_ERROR_CONN_LOST);
        ViUInt32 count = 0;
        ViChar text[VI_FIND_BUFLEN] = {};
        QCOMPARE(vi().viFindRsrc(rm, "?*KVT2024001?*", nullptr, &count, text),
                 VI_ERROR_RSRC_NFOUND);
        QCOMPARE(open(split_unit), ViSession(0));
        ViSession again = 0;
        QTRY_VERIFY_WITH_TIMEOUT((again = open(split_unit)) != 0, 2 * restart_ms);
        vi().viClose(again);
        QCOMPARE(write(session, "SN?"), VI_SUCCESS);
        QCOMPARE(read(session, 64).bytes, QByteArray("KVT2024001\n"));
        QCOMPARE(write(other, "SN?"), VI_SUCCESS);
        QCOMPARE(read(other, 64).bytes, QByteArray("KVT2024001\n"));
        vi().viClose(other);
        vi().viClose(session);
    }
};

QTEST_GUILESS_MAIN(test_visa_standin)
#include "test_visa_standin.moc"
