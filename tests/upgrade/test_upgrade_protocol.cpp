// The upgrade worker and its protocol against the VISA stand-in's simulated
// units: what goes over the wire, and what the unit holds afterwards.
#include <QCryptographicHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cstring>
#include <functional>

#include "driver/link.h"
#include "driver/link_events.h"
#include "sim/sim_receiver.h"
#include "upgrade/section_handlers.h"
#include "upgrade/upgrade_choice.h"
#include "upgrade/upgrade_commands.h"
#include "upgrade_test_kit.h"

namespace {

constexpr unsigned long run_limit_ms = 60000;

struct unit_row_t {
    const char* serial;
    const char* options;
};
// One simulated unit per case, so every record starts empty. The first is
// never upgraded: a run that loses its unit must not go on into it.
constexpr unit_row_t units[] = {
    {"BYSTANDER", ",mode=boot"},
    {"EXAMPLE", ""},
    {"BLOCK2048", ",mode=boot"},
    {"BLOCK2049", ",mode=boot"},
    {"EMPTY", ""},
    {"BOOTSECTION", ",mode=boot"},
    {"READYCRLF", ",mode=boot,faults=ready-crlf"},
    {"NOLF", ",mode=boot,faults=no-lf"},
    {"UNKNOWN", ""},
    {"DELETED", ",mode=boot"},
    {"CUTDATA", ",mode=boot"},
    {"CUTDESCRIPTOR", ",mode=boot"},
    {"GONEFILE", ""},
    {"GONE", ",faults=never-back"},
    {"SWAP", ",faults=swapped"},
    {"MUTE", ",faults=fail:SN?"},
    // Units that never come back from a restart, and units that appear while
    // the run waits for them, saying their serial numbers or not at all.
    {"GONEFIRST", ",faults=never-back"},
    {"GONEFIRST2", ",faults=never-back"},
    {"GONELAST", ",faults=never-back"},
    {"GONELAST2", ",faults=never-back"},
    {"NEWFIRST", ",restart=2000"},
    {"NEWFIRSTMUTE", ",restart=2000,faults=fail:SN?"},
    {"NEWLAST", ",restart=2000"},
    {"NEWLASTMUTE", ",restart=2000,faults=fail:SN?"},
    {"STOPPED1", ""},
    {"STOPPED2", ""},
};

// A run first asks the unit its serial number, and asks it again after
// each restart: the commands that begin every run and end it on a unit that
// comes back.
const QByteArrayList run_start = {"SN?"};
const QByteArrayList run_end = {fixed("REBOOT"), "SN?"};

QByteArray pattern(int size, int seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = char((i * 31 + seed) % 256);
    }
    return bytes;
}

QByteArray padded(const QByteArray& data) {
    const int blocks = (data.size() + sim_block_size - 1) / sim_block_size;
    return data + QByteArray(blocks * sim_block_size - data.size(), '\xFF');
}

// Announcement, handshake and blocks of a firmware section after the unit's "OS?".
QByteArrayList firmware_exchange(const char* announcement, int size) {
    QByteArrayList out = {announcement + QByteArray::number(size), fixed("UPREADY?")};
    if (qstrcmp(announcement, "HOSTUG ") == 0) {
        out << fixed("UPGRADE:FAIL");
    }
    for (int sent = 0; sent < size; sent += sim_block_size) {
        out << "UPGRADE <2048 bytes>" << fixed("UPREADY?");
    }
    return out;
}

QByteArray held_name(const image_section_t& section) {
    switch (section.type & 0xFF) {
        case section_application:
            return "HOSTUG";
        case section_bootloader:
            return "BOOTUG";
        default:
            return QByteArray(identity_prefix(quint8(section.type))).trimmed();
    }
}

}  // namespace

Q_DECLARE_METATYPE(QVector<image_section_t>)

class test_upgrade_protocol : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    // Chooses the image as the dialog does, then runs the worker on it
    // against the unit; change, when given, alters the file at the worker's
    // first good step. False when the image is refused or the run does not
    // end in time.
    bool run(const QByteArray& serial, const QVector<image_section_t>& sections, QStringList& seen,
             const std::function<void(const QString&)>& change = {}) {
        const QByteArray path = write_image(dir.path(), serial + ".ADS", make_image(700, sections));
        if (!visa_connect(unit_resource(serial)) || choose_upgrade_image(path) != image_ok) {
            return false;
        }
        upgrade_thread_t worker;
        worker_signals_t recorder(worker);
        if (change) {
            QObject::connect(
                &worker, &upgrade_thread_t::send_upgrade_state, &worker,
                [&, done = false](ulong, bool ok) mutable {
                    if (ok && !done) {
                        done = true;
                        change(QFile::decodeName(path));
                    }
                },
                Qt::DirectConnection);
        }
        worker.start();
        const bool ended = worker.wait(run_limit_ms);
        seen = recorder.seen();
        result = worker.result();
        return ended;
    }

    upgrade_result_t result;

private slots:
    void initTestCase() {
        QByteArrayList config;
        for (const unit_row_t& unit : units) {
            config << QByteArray("KVT0402Q,restart=50,sn=") + unit.serial + unit.options;
        }
        qputenv("KVT_VISA_UNITS", config.join(';'));
        QVERIFY2(visa_available(), "the VISA stand-in did not load");
        QVERIFY(dir.isValid());
    }

    void exchange_data() {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<QVector<image_section_t>>("sections");
        QTest::addColumn<QByteArrayList>("wire");
        QTest::addColumn<bool>("passed");

        const QByteArray product = "KVT0402Q-ONE";
        const QByteArray app = pattern(5000, 1);
        QTest::newRow("layout example")
            << QByteArray("EXAMPLE")
            << QVector<image_section_t>{{section_product, product}, {section_application, app}}
            << (QByteArrayList{"SYSTem:DEVice:PRODUCTUG <12 bytes>", fixed("UPGRADE:PASS"),
                               fixed("OS?"), fixed("REBOOT 1"), "SN?"} +
                firmware_exchange("HOSTUG ", 5000) + QByteArrayList{fixed("UPGRADE:PASS")} +
                run_end)
            << true;
        for (int size : {2048, 2049}) {
            QTest::newRow(qPrintable(QString("%1 bytes").arg(size)))
                << "BLOCK" + QByteArray::number(size)
                << QVector<image_section_t>{{section_application, pattern(size, 2)}}
                << (QByteArrayList{fixed("OS?")} + firmware_exchange("HOSTUG ", size) +
                    QByteArrayList{fixed("UPGRADE:PASS")} + run_end)
                << true;
        }
        QTest::newRow("empty application")
            << QByteArray("EMPTY") << QVector<image_section_t>{{section_application, {}}}
            << (QByteArrayList{fixed("UPGRADE:PASS")} + run_end) << true;
        QTest::newRow("bootloader section")
            << QByteArray("BOOTSECTION")
            << QVector<image_section_t>{{section_bootloader, pattern(3000, 3)}}
            << (firmware_exchange("BOOTUG ", 3000) + QByteArrayList{fixed("UPGRADE:PASS")} +
                run_end)
            << true;
        QByteArrayList twelve_tries = {fixed("OS?"), "HOSTUG 100"};
        for (int i = 0; i < 12; ++i) {
            twelve_tries << fixed("UPREADY?");
        }
        QTest::newRow("ready answer with CRLF")
            << QByteArray("READYCRLF")
            << QVector<image_section_t>{{section_application, pattern(100, 4)}}
            << (twelve_tries + run_end) << false;
        QTest::newRow("bootloader answer without line feed")
            << QByteArray("NOLF")
            << QVector<image_section_t>{{section_application, pattern(100, 5)}}
            << (QByteArrayList{fixed("OS?"), fixed("REBOOT 1"), "SN?"} +
                firmware_exchange("HOSTUG ", 100) + QByteArrayList{fixed("UPGRADE:PASS")} + run_end)
            << true;
        QTest::newRow("unknown section type")
            << QByteArray("UNKNOWN") << QVector<image_section_t>{{0x102, pattern(10, 6)}} << run_end
            << false;
    }

    void exchange() {
        QFETCH(QByteArray, serial);
        QFETCH(QVector<image_section_t>, sections);
        QFETCH(QByteArrayList, wire);
        QFETCH(bool, passed);
        QStringList seen;
        QVERIFY(run(serial, sections, seen));
        QCOMPARE(seen.last(), passed ? QString("success") : QString("state 0 0"));
        QCOMPARE(seen.count("success"), passed ? 1 : 0);

        QVERIFY(visa_connect(unit_resource(serial)));
        QCOMPARE(sim_record(), run_start + wire);
        if (!passed) {
            return;
        }
        for (const image_section_t& section : sections) {
            const bool firmware =
                section.type == section_application || section.type == section_bootloader;
            if (!section.data.isEmpty()) {
                QCOMPARE(sim_read_back("SIM:HELD? " + held_name(section)),
                         firmware ? padded(section.data) : section.data);
            }
            if (section.type == section_application && !section.data.isEmpty()) {
                QByteArray version;
                QVERIFY(link_query("SV?", version));
                QCOMPARE(version, sim_image_version(section.data));
            }
        }
    }

    void signals_follow_the_sections() {
        QStringList seen;
        QVERIFY(run("EXAMPLE",
                    {{section_product, "KVT0402Q-TWO"}, {section_application, pattern(5000, 8)}},
                    seen));
        QCOMPARE(seen, (QStringList{"init 12 5", "state 12 1", "state 12 1", "init 5000 1",
                                    "state 2048 1", "state 4096 1", "state 5000 1", "state 5000 1",
                                    "success"}));
    }

    void failing_second_section_ends_the_run() {
        QStringList seen;
        QVERIFY(run("EXAMPLE",
                    {{section_vid, "0xA5C3"}, {2, pattern(10, 9)}, {section_pid, "0x0E21"}}, seen));
        QCOMPARE(seen,
                 (QStringList{"init 6 9", "state 6 1", "state 6 1", "init 10 2", "state 0 0"}));
    }

    void image_gone_before_the_run_fails_it() {
        const QByteArray path =
            write_image(dir.path(), "gone.ADS", make_image(700, {{section_product, "GONE"}}));
        QVERIFY(visa_connect(unit_resource("GONEFILE")));
        QCOMPARE(choose_upgrade_image(path), image_ok);
        QVERIFY(QFile::remove(QFile::decodeName(path)));
        upgrade_thread_t worker;
        worker_signals_t recorder(worker);
        worker.start();
        QVERIFY(worker.wait(run_limit_ms));
        QCOMPARE(recorder.seen(), QStringList{"state 0 0"});
        QVERIFY(visa_connect(unit_resource("GONEFILE")));
        QCOMPARE(sim_record(), run_start + run_end);
    }

    // The run sends the image as it was checked: a file changed under it
    // fails at the next section, before anything of that section is sent.
    void image_changed_during_the_run_data() {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<qint64>("size");  // -1: the file is deleted
        // The second descriptor lies at 136, its data at 148.
        QTest::newRow("deleted") << QByteArray("DELETED") << qint64(-1);
        QTest::newRow("cut in the data") << QByteArray("CUTDATA") << qint64(1000);
        QTest::newRow("cut in the descriptor") << QByteArray("CUTDESCRIPTOR") << qint64(140);
    }

    void image_changed_during_the_run() {
        QFETCH(QByteArray, serial);
        QFETCH(qint64, size);
        QStringList seen;
        const QVector<image_section_t> sections = {{section_product, "KVT0402Q-CUT"},
                                                   {section_application, pattern(5000, 11)}};
        QVERIFY(run(serial, sections, seen, [size](const QString& path) {
            QFile file(path);
            size < 0 ? file.remove() : file.resize(size);
        }));
        QCOMPARE(seen, (QStringList{"init 12 5", "state 12 1", "state 12 1", "init 5000 1",
                                    "state 0 0"}));
        QVERIFY(visa_connect(unit_resource(serial)));
        QCOMPARE(sim_record(),
                 (run_start +
                  QByteArrayList{"SYSTem:DEVice:PRODUCTUG <12 bytes>", fixed("UPGRADE:PASS")} +
                  run_end));
    }

    // The unit restarted into its bootloader never comes back: the run fails
    // naming it, leaves no session open, and nothing reaches another unit.
    void unit_that_never_comes_back_ends_the_run() {
        QSignalSpy lost(&link_events(), &link_events_t::unit_lost);
        QStringList seen;
        QVERIFY(run("GONE", {{section_application, pattern(100, 10)}}, seen));
        QCOMPARE(seen.last(), QString("state 0 0"));
        QVERIFY(!seen.contains("success"));
        QCOMPARE(result.unit, unit_resource("GONE"));
        QCOMPARE(result.unit_return.kind, unit_return_t::not_returned);
        QCOMPARE(visa_session(), ViSession(0));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().first().toString(), QString(unit_resource("GONE")));
        QVERIFY(visa_connect(unit_resource("BYSTANDER")));
        QCOMPARE(sim_record(), QByteArrayList{});
    }

    // Another unit at the resource after the restart is named and closed; a
    // unit that never says its serial number is sent nothing, its session
    // kept.
    void unit_replaced_or_unnamed_data() {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArrayList>("wire");
        QTest::newRow("replaced")
            << QByteArray("SWAP") << int(unit_return_t::replaced)
            << "answered \"SWAP-SWAPPED\" to SN? after its restart, not its own serial number"
            << (run_start +
                QByteArrayList{"SYSTem:DEVice:PRODUCTUG <4 bytes>", fixed("UPGRADE:PASS")} +
                run_end);
        QTest::newRow("never says its serial number")
            << QByteArray("MUTE") << int(unit_return_t::unfollowed)
            << "did not say its serial number, which its restarts are followed by; nothing was "
               "sent"
            << QByteArrayList{};
    }

    void unit_replaced_or_unnamed() {
        QFETCH(QByteArray, serial);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QByteArrayList, wire);
        QSignalSpy lost(&link_events(), &link_events_t::unit_lost);
        QStringList seen;
        QVERIFY(run(serial, {{section_product, "KVT0"}}, seen));
        QVERIFY(!seen.contains("success"));
        QCOMPARE(int(result.unit_return.kind), kind);
        QCOMPARE(result.unit_return.text(), text);
        const bool replaced = kind == unit_return_t::replaced;
        QCOMPARE(visa_session() == ViSession(0), replaced);
        QCOMPARE(lost.size(), replaced ? 1 : 0);
        QVERIFY(visa_connect(unit_resource(serial)));
        QCOMPARE(sim_record(), wire);
    }

    // A run stopped once a block is on the wire leaves the unit unrestarted in
    // its bootloader, one stopped before its first block leaves it as it was;
    // the same image again finishes it byte for byte.
    void stopped_run_is_finished_by_the_next_data() {
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<bool>("at_first_block");
        QTest::newRow("at a block boundary") << QByteArray("STOPPED1") << false;
        QTest::newRow("before the first block") << QByteArray("STOPPED2") << true;
    }

    void stopped_run_is_finished_by_the_next() {
        QFETCH(QByteArray, serial);
        QFETCH(bool, at_first_block);
        const QByteArray application = pattern(3 * sim_block_size + 100, 9);
        const QByteArray path = write_image(dir.path(), serial + ".ADS",
                                            make_image(700, {{section_application, application}}));
        QVERIFY(visa_connect(unit_resource(serial)));
        QCOMPARE(choose_upgrade_image(path), image_ok);
        upgrade_thread_t stopped;
        const auto stop = [&] { stopped.stop(); };
        if (at_first_block) {
            QObject::connect(&stopped, &upgrade_thread_t::init_progress_bar, &stopped, stop,
                             Qt::DirectConnection);
        } else {
            QObject::connect(
                &stopped, &upgrade_thread_t::send_upgrade_state, &stopped,
                [&](ulong done, bool) {
                    if (done > 0) {
                        stop();
                    }
                },
                Qt::DirectConnection);
        }
        stopped.run();
        QVERIFY(stopped.result().stopped);
        QVERIFY(!stopped.result().passed);
        QCOMPARE(is_in_bootloader(current_visa_link()), !at_first_block);

        upgrade_thread_t again;
        again.run();
        QVERIFY(again.result().passed);
        QByteArray version;
        QVERIFY(link_query("SV?", version));
        QCOMPARE(
            version,
            "app-" +
                QCryptographicHash::hash(application, QCryptographicHash::Sha256).toHex().left(8));
    }

    // A unit that appears while the chosen one is away after its first or its
    // last restart is never taken for it, whether it says its own serial
    // number or none: it receives no firmware byte and the run fails.
    void newcomer_is_never_taken_for_the_unit_data() {
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QByteArray>("newcomer");
        QTest::addColumn<int>("section");
        QTest::newRow("first restart")
            << QByteArray("GONEFIRST") << QByteArray("NEWFIRST") << int(section_application);
        QTest::newRow("first restart, newcomer mute")
            << QByteArray("GONEFIRST2") << QByteArray("NEWFIRSTMUTE") << int(section_application);
        QTest::newRow("last restart")
            << QByteArray("GONELAST") << QByteArray("NEWLAST") << int(section_product);
        QTest::newRow("last restart, newcomer mute")
            << QByteArray("GONELAST2") << QByteArray("NEWLASTMUTE") << int(section_product);
    }

    void newcomer_is_never_taken_for_the_unit() {
        QFETCH(QByteArray, chosen);
        QFETCH(QByteArray, newcomer);
        QFETCH(int, section);
        QVERIFY(visa_connect(unit_resource(newcomer)));
        QVERIFY(visa_write("REBOOT", 7));
        QVERIFY(visa_close());
        QSignalSpy lost(&link_events(), &link_events_t::unit_lost);
        QStringList seen;
        QVERIFY(run(chosen, {{quint8(section), "KVT0402Q-SWAP"}}, seen));
        QVERIFY(!seen.contains("success"));
        QCOMPARE(result.unit_return.kind, unit_return_t::not_returned);
        QCOMPARE(visa_session(), ViSession(0));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().first().toString(), QString(unit_resource(chosen)));
        QVERIFY(visa_connect(unit_resource(newcomer)));
        for (const QByteArray& command : sim_record()) {
            QVERIFY2(command == fixed("REBOOT"), command.constData());
        }
    }
};

QTEST_GUILESS_MAIN(test_upgrade_protocol)
#include "test_upgrade_protocol.moc"
