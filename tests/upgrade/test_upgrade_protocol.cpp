// The upgrade worker and its protocol against the VISA stand-in's simulated
// units: what goes over the wire, and what the unit holds afterwards.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cstring>

#include "driver/link.h"
#include "sim/sim_receiver.h"
#include "upgrade/section_handlers.h"
#include "upgrade_test_kit.h"

namespace {

constexpr unsigned long run_limit_ms = 60000;

struct unit_row_t {
    const char* serial;
    const char* options;
};
// One simulated unit per case, so every record starts empty.
constexpr unit_row_t units[] = {
    {"EXAMPLE", ""},
    {"BLOCK2048", ",mode=boot"},
    {"BLOCK2049", ",mode=boot"},
    {"EMPTY", ""},
    {"BOOTSECTION", ",mode=boot"},
    {"READYCRLF", ",mode=boot,faults=ready-crlf"},
    {"NOLF", ",mode=boot,faults=no-lf"},
    {"UNKNOWN", ""},
    {"LONGID", ""},
    {"LOOP", ""},
    {"GONE", ",faults=never-back"},
};

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

    // Runs the worker on the image against the unit; false when it does not end in time.
    bool run(const QByteArray& serial, const QVector<image_section_t>& sections,
             QStringList& seen) {
        if (!visa_connect(unit_resource(serial))) {
            return false;
        }
        upgrade_image_path() = write_image(dir.path(), serial + ".ADS", make_image(700, sections));
        upgrade_thread_t worker;
        worker_signals_t recorder(worker);
        worker.start();
        const bool ended = worker.wait(run_limit_ms);
        seen = recorder.seen();
        return ended;
    }

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
                               fixed("OS?"), fixed("REBOOT 1")} +
                firmware_exchange("HOSTUG ", 5000) +
                QByteArrayList{fixed("UPGRADE:PASS"), fixed("REBOOT")})
            << true;
        for (int size : {2048, 2049}) {
            QTest::newRow(qPrintable(QString("%1 bytes").arg(size)))
                << "BLOCK" + QByteArray::number(size)
                << QVector<image_section_t>{{section_application, pattern(size, 2)}}
                << (QByteArrayList{fixed("OS?")} + firmware_exchange("HOSTUG ", size) +
                    QByteArrayList{fixed("UPGRADE:PASS"), fixed("REBOOT")})
                << true;
        }
        QTest::newRow("empty application")
            << QByteArray("EMPTY") << QVector<image_section_t>{{section_application, {}}}
            << QByteArrayList{fixed("UPGRADE:PASS"), fixed("REBOOT")} << true;
        QTest::newRow("bootloader section")
            << QByteArray("BOOTSECTION")
            << QVector<image_section_t>{{section_bootloader, pattern(3000, 3)}}
            << (firmware_exchange("BOOTUG ", 3000) +
                QByteArrayList{fixed("UPGRADE:PASS"), fixed("REBOOT")})
            << true;
        QByteArrayList twelve_tries = {fixed("OS?"), "HOSTUG 100"};
        for (int i = 0; i < 12; ++i) {
            twelve_tries << fixed("UPREADY?");
        }
        QTest::newRow("ready answer with CRLF")
            << QByteArray("READYCRLF")
            << QVector<image_section_t>{{section_application, pattern(100, 4)}}
            << (twelve_tries + QByteArrayList{fixed("REBOOT")}) << false;
        QTest::newRow("bootloader answer without line feed")
            << QByteArray("NOLF")
            << QVector<image_section_t>{{section_application, pattern(100, 5)}}
            << (QByteArrayList{fixed("OS?"), fixed("REBOOT 1")} +
                firmware_exchange("HOSTUG ", 100) +
                QByteArrayList{fixed("UPGRADE:PASS"), fixed("REBOOT")})
            << true;
        QTest::newRow("unknown section type")
            << QByteArray("UNKNOWN") << QVector<image_section_t>{{0x102, pattern(10, 6)}}
            << QByteArrayList{fixed("REBOOT")} << false;
        // 77 bytes do not fit "SYSTem:DEVice:PRODUCTUG " in a 100-byte command.
        QTest::newRow("identity text too long")
            << QByteArray("LONGID") << QVector<image_section_t>{{section_product, pattern(77, 7)}}
            << QByteArrayList{fixed("REBOOT")} << false;
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
        QCOMPARE(sim_record(), wire);
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

    // A chain that comes back to itself never meets its end: the walk stops at
    // its bound, fails and restarts the unit.
    void looping_chain_ends_at_the_bound() {
        image_header_t header{};
        header.end_offset = 1000;
        header.image_id = 700;
        std::memcpy(header.signature, image_signature, sizeof header.signature);
        QByteArray looping = encrypt_image_header(header);
        for (quint32 word : {quint32(section_product), first_descriptor_offset, quint32(0)}) {
            const quint32 stored = qToLittleEndian(word);
            looping.append(reinterpret_cast<const char*>(&stored), sizeof stored);
        }
        looping.append(1000 - looping.size(), '\0');
        QVERIFY(visa_connect(unit_resource("LOOP")));
        upgrade_image_path() = write_image(dir.path(), "loop.ADS", looping);
        upgrade_thread_t worker;
        worker_signals_t recorder(worker);
        worker.start();
        QVERIFY(worker.wait(run_limit_ms));
        QCOMPARE(recorder.seen().count("init 0 5"), max_image_sections);
        QCOMPARE(recorder.seen().last(), QString("state 0 0"));
        QVERIFY(visa_connect(unit_resource("LOOP")));
        QCOMPARE(sim_record().last(), fixed("REBOOT"));
    }

    void image_gone_before_the_run_fails_it() {
        QVERIFY(visa_connect(unit_resource("LOOP")));
        upgrade_image_path() = QFile::encodeName(dir.filePath("gone.ADS"));
        upgrade_thread_t worker;
        worker_signals_t recorder(worker);
        worker.start();
        QVERIFY(worker.wait(run_limit_ms));
        QCOMPARE(recorder.seen(), QStringList{"state 0 0"});
    }

    // Runs last: the fallback of the reopen takes the first unit it finds.
    void unit_that_never_comes_back_ends_the_run() {
        QStringList seen;
        QVERIFY(run("GONE", {{section_application, pattern(100, 10)}}, seen));
        QCOMPARE(seen.last(), QString("state 0 0"));
        QVERIFY(!seen.contains("success"));
    }
};

QTEST_GUILESS_MAIN(test_upgrade_protocol)
#include "test_upgrade_protocol.moc"
