#include <QtTest>

#include "driver/link.h"
#include "driver/unit_discovery.h"
#include "driver/visa_binding.h"
#include "driver/visa_session.h"

// The stand-in with its defaults: one unit of each model and one foreign instrument.
namespace {

const QByteArray two_port = "USB0::0xA5C3::0x0E21::KVT2024001::INSTR";
const QByteArray six_port = "USB0::0xA5C3::0x0E21::KVT2024002::INSTR";
const QByteArray foreign = "USB0::0x0957::0x1797::MY12345678::INSTR";

}  // namespace

class test_visa_session : public QObject {
    Q_OBJECT
private slots:
    void ready_library_is_available_for_the_whole_process() {
        QVERIFY(visa_available());
        QVERIFY(visa_available());
    }

    void search_lists_both_units_and_the_foreign_instrument() {
        QStringList list;
        ViUInt32 count = 0;
        QCOMPARE(visa_find_units(list, count), visa_done);
        QCOMPARE(count, ViUInt32(3));
        QCOMPARE(list, (QStringList{two_port, six_port, foreign}));
    }

    void search_appends_to_the_list_given() {
        QStringList list{"kept"};
        ViUInt32 count = 0;
        QCOMPARE(visa_find_units(list, count), visa_done);
        QCOMPARE(list.size(), 4);
        QCOMPARE(list.first(), QString("kept"));
    }

    void unit_search_leaves_out_other_makers_and_connects_the_unit_chosen() {
        QCOMPARE(find_units(unit_search_t()), (QStringList{two_port, six_port}));
        QVERIFY(connect_unit(six_port));
        QCOMPARE(visa_resource_name(), six_port);
    }

    void close_without_session_fails_and_keeps_no_session() {
        visa_close();
        QCOMPARE(visa_session(), ViSession(0));
        QVERIFY(!visa_close());
        QCOMPARE(visa_session(), ViSession(0));
    }

    void query_without_session_fails_at_the_write_and_keeps_the_answer() {
        visa_close();
        QByteArray answer = "kept";
        QVERIFY(!link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("kept"));
        QVERIFY(!link_write("SN?"));
        char buffer[visa_answer_size] = {};
        QCOMPARE(visa_read(buffer, visa_answer_size), -1);
    }

    void connect_identifies_the_chosen_unit() {
        QVERIFY(visa_connect(six_port));
        QCOMPARE(visa_resource_name(), six_port);
        QVERIFY(visa_session() != 0);
        QByteArray answer;
        QVERIFY(link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("KVT2024002"));
        QVERIFY(link_query("SHOW:PRODect:ID?", answer));
        QCOMPARE(answer, QByteArray("29"));
    }

    void connect_to_the_open_resource_closes_and_opens_it_again() {
        QVERIFY(visa_connect(two_port));
        const ViSession first = visa_session();
        QVERIFY(visa_connect(two_port));
        QVERIFY(visa_session() != first);
        ViUInt32 written = 0;
        QCOMPARE(
            visa_entry_points().viWrite(first, reinterpret_cast<const ViByte*>("SN?"), 3, &written),
            VI_ERROR_INV_OBJECT);
        QByteArray answer;
        QVERIFY(link_query("SN?", answer));
        QCOMPARE(answer, QByteArray("KVT2024001"));
    }

    void failed_connect_keeps_the_resource_name() {
        QVERIFY(visa_connect(two_port));
        QVERIFY(!visa_connect("USB0::0xA5C3::0x0E21::NOSUCHUNIT::INSTR"));
        QCOMPARE(visa_resource_name(), two_port);
    }

    void read_of_sixty_bytes_or_more_fails_with_the_bytes_in_the_buffer() {
        QVERIFY(visa_connect(foreign));
        for (const int size : {60, 66}) {
            const QByteArray command(size - 1, 'A');
            QVERIFY(visa_write(command.constData(), command.size()));
            char buffer[visa_answer_size] = {};
            QCOMPARE(visa_read(buffer, visa_answer_size), -1);
            QCOMPARE(QByteArray(buffer, visa_answer_size), (command + '\n').left(visa_answer_size));
        }
        // What did not fit of the longer answer comes with the next read.
        char rest[16] = {};
        QCOMPARE(visa_read(rest, sizeof rest), 6);
        QCOMPARE(QByteArray(rest), QByteArray("AAAAA\n"));
    }

    void long_answer_reaches_the_text_layer_whole() {
        QVERIFY(visa_connect(foreign));
        QByteArray answer;
        QVERIFY(link_query(QByteArray(70, 'B'), answer));
        QCOMPARE(answer, QByteArray(70, 'B'));
    }

    void zero_byte_cuts_the_answer() {
        QVERIFY(visa_connect(foreign));
        const QByteArray command("AB\0CD", 5);
        QVERIFY(visa_write(command.constData(), command.size()));
        char buffer[visa_answer_size] = {};
        QCOMPARE(visa_read(buffer, visa_answer_size), 2);
        QCOMPARE(QByteArray(buffer, 6), command + '\n');
        QByteArray answer;
        QVERIFY(link_query(command, answer));
        QCOMPARE(answer, QByteArray("AB"));
    }

    void negative_counts_fail_without_reaching_the_library() {
        QVERIFY(visa_connect(foreign));
        char buffer[4] = {};
        QVERIFY(!visa_write("X", -1));
        QCOMPARE(visa_read(buffer, -1), -1);
    }
};

QTEST_GUILESS_MAIN(test_visa_session)
#include "test_visa_session.moc"
