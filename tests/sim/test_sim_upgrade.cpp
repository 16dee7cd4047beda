// The bootloader's receiving side, driven as the host's upgrade drives it.
#include <QTest>

#include "sim/sim_unit.h"
#include "sim_test_util.h"

namespace {

constexpr int poll_limit_ms = 5000;

// Fixed commands go out with their terminating zero byte.
QByteArray fixed(const char* text) {
    return QByteArray(text, int(qstrlen(text)) + 1);
}

QByteArray image_bytes(int size, int seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = char((i * 7 + seed) % 251);
    }
    return bytes;
}

bool ready(sim_unit_t& unit) {
    return wire_bytes(unit.handle(fixed("UPREADY?"))) == "1\n";
}

// One firmware section as the host sends it: announcement, handshake, the
// application's "UPGRADE:FAIL", blocks padded with 0xFF, each with a handshake.
bool send_section(sim_unit_t& unit, const char* announcement, const QByteArray& data) {
    unit.handle(QByteArray(announcement) + ' ' + QByteArray::number(data.size()));
    if (!ready(unit)) {
        return false;
    }
    if (qstrcmp(announcement, "HOSTUG") == 0) {
        unit.handle(fixed("UPGRADE:FAIL"));
    }
    for (int sent = 0; sent < data.size(); sent += sim_block_size) {
        QByteArray block = data.mid(sent, sim_block_size);
        block.append(QByteArray(sim_block_size - block.size(), '\xFF'));
        unit.handle("UPGRADE " + block);
        if (!ready(unit)) {
            return false;
        }
    }
    return true;
}

bool restart(sim_unit_t& unit, const char* command) {
    unit.handle(fixed(command));
    return QTest::qWaitFor([&] { return unit.online(); }, poll_limit_ms);
}

}  // namespace

class test_sim_upgrade : public QObject {
    Q_OBJECT

private slots:
    void whole_upgrade();
    void block_padding_data();
    void block_padding();
    void bootloader_section_keeps_version();
    void refused_steps_data();
    void refused_steps();
    void interrupted_upgrade_stays_in_bootloader();
    void identity_commands();
    void record_keeps_the_newest();
};

void test_sim_upgrade::whole_upgrade() {
    sim_unit_t unit(unit_config("KVT0402Q,restart=100"));
    const QByteArray product = "KVT0402Q-NEW";
    const QByteArray app = image_bytes(5000, 3);

    unit.handle("SYSTem:DEVice:PRODUCTUG " + product);
    unit.handle(fixed("UPGRADE:PASS"));
    QCOMPARE(wire_bytes(unit.handle(fixed("OS?"))), QByteArray("APP\n"));
    QVERIFY(restart(unit, "REBOOT 1"));
    QVERIFY(send_section(unit, "HOSTUG", app));
    unit.handle(fixed("UPGRADE:PASS"));
    QCOMPARE(wire_bytes(unit.handle("SV?")), QByteArray("1.0.0\n"));
    QVERIFY(restart(unit, "REBOOT"));

    QCOMPARE(wire_bytes(unit.handle("OS?")), QByteArray("APP\n"));
    const QByteArray version = sim_image_version(app);
    QVERIFY(version != "1.0.0");
    QCOMPARE(wire_bytes(unit.handle("SV?")), version + '\n');
    QCOMPARE(unit.software_version(), version);

    const sim_upgrade_record_t record = unit.upgrade_record();
    QCOMPARE(record.identities.size(), 1);
    QCOMPARE(record.identities[0].command, QByteArray("SYSTem:DEVice:PRODUCTUG"));
    QCOMPARE(record.identities[0].data, product);
    QCOMPARE(record.sections.size(), 1);
    const sim_section_t& section = record.sections[0];
    QCOMPARE(section.announcement, QByteArray("HOSTUG"));
    QCOMPARE(section.announced, 5000);
    QCOMPARE(section.received.size(), 3 * sim_block_size);
    QCOMPARE(section.received.left(5000), app);
    QCOMPARE(section.received.mid(5000), QByteArray(3 * sim_block_size - 5000, '\xFF'));
    QVERIFY(section.passed);
    const QByteArrayList order = {"SYSTem:DEVice:PRODUCTUG <12 bytes>",
                                  fixed("UPGRADE:PASS"),
                                  fixed("OS?"),
                                  fixed("REBOOT 1"),
                                  "HOSTUG 5000",
                                  fixed("UPREADY?"),
                                  fixed("UPGRADE:FAIL"),
                                  "UPGRADE <2048 bytes>",
                                  fixed("UPREADY?"),
                                  "UPGRADE <2048 bytes>",
                                  fixed("UPREADY?"),
                                  "UPGRADE <2048 bytes>",
                                  fixed("UPREADY?"),
                                  fixed("UPGRADE:PASS"),
                                  "SV?",
                                  fixed("REBOOT"),
                                  "OS?",
                                  "SV?"};
    QCOMPARE(QByteArrayList(record.commands.toList()), order);

    // What it holds can be read back byte for byte, whatever the bytes.
    const QByteArray held = wire_bytes(unit.handle("SIM:HELD? HOSTUG"));
    QCOMPARE(QByteArray::fromPercentEncoding(held.chopped(1)), section.received);
    QCOMPARE(wire_bytes(unit.handle("SIM:HELD? SYSTem:DEVice:PRODUCTUG")), product + '\n');
    QCOMPARE(wire_bytes(unit.handle("SIM:RECord?")).left(37),
             QByteArray("SYSTem:DEVice:PRODUCTUG <12 bytes>,UP"));
}

void test_sim_upgrade::block_padding_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("blocks");
    // The data's last bytes, which must not be lost as if they were a terminator.
    QTest::addColumn<QByteArray>("ending");
    const QByteArray zero(1, '\0');
    QTest::newRow("one byte") << 1 << 1 << zero;
    QTest::newRow("one block exactly") << 2048 << 1 << zero;
    QTest::newRow("one byte over") << 2049 << 2 << zero;
    QTest::newRow("two blocks exactly") << 4096 << 2 << zero;
    QTest::newRow("block ending in a line end") << 2048 << 1 << QByteArray("\r\n");
    QTest::newRow("blocks ending in a line feed") << 4096 << 2 << QByteArray("\n");
}

void test_sim_upgrade::block_padding() {
    QFETCH(int, size);
    QFETCH(int, blocks);
    QFETCH(QByteArray, ending);
    sim_unit_t unit(unit_config("KVT0206Q,mode=boot"));
    QByteArray data = image_bytes(size, 11);
    data.replace(size - ending.size(), ending.size(), ending);
    QVERIFY(send_section(unit, "HOSTUG", data));
    const sim_section_t section = unit.upgrade_record().sections.value(0);
    QCOMPARE(section.received.size(), blocks * sim_block_size);
    QCOMPARE(section.received.left(size), data);
    QCOMPARE(section.received.mid(size), QByteArray(blocks * sim_block_size - size, '\xFF'));
}

void test_sim_upgrade::bootloader_section_keeps_version() {
    sim_unit_t unit(unit_config("KVT0402Q,mode=boot,restart=50,sv=4.0"));
    QVERIFY(send_section(unit, "BOOTUG", image_bytes(3000, 5)));
    unit.handle(fixed("UPGRADE:PASS"));
    QVERIFY(restart(unit, "REBOOT"));
    QCOMPARE(wire_bytes(unit.handle("OS?")), QByteArray("APP\n"));
    QCOMPARE(wire_bytes(unit.handle("SV?")), QByteArray("4.0\n"));
    const sim_section_t section = unit.upgrade_record().sections.value(0);
    QCOMPARE(section.announcement, QByteArray("BOOTUG"));
    QVERIFY(section.passed);
}

void test_sim_upgrade::refused_steps_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArrayList>("commands");
    const QByteArray block = "UPGRADE " + QByteArray(sim_block_size, 'b');
    QTest::newRow("announcement in the application") << "KVT0402Q" << QByteArrayList{"HOSTUG 100"};
    QTest::newRow("announcement without a number")
        << "KVT0402Q,mode=boot" << QByteArrayList{"HOSTUG x"};
    QTest::newRow("announcement with a sign")
        << "KVT0402Q,mode=boot" << QByteArrayList{"HOSTUG -5"};
    QTest::newRow("block before an announcement") << "KVT0402Q,mode=boot" << QByteArrayList{block};
    QTest::newRow("short block") << "KVT0402Q,mode=boot"
                                 << QByteArrayList{"HOSTUG 100", "UPGRADE " + QByteArray(100, 'b')};
    QTest::newRow("block beyond the announced length")
        << "KVT0402Q,mode=boot" << QByteArrayList{"HOSTUG 100", block, block};
    QTest::newRow("block after the section passed")
        << "KVT0402Q,mode=boot"
        << QByteArrayList{"HOSTUG 5000", block, fixed("UPGRADE:PASS"), block};
}

void test_sim_upgrade::refused_steps() {
    QFETCH(QString, unit);
    QFETCH(QByteArrayList, commands);
    sim_unit_t sim(unit_config(unit));
    for (const QByteArray& command : commands) {
        QVERIFY(sim.handle(command).isEmpty());
    }
    QCOMPARE(wire_bytes(sim.handle(fixed("UPREADY?"))), QByteArray("0\n"));
    for (const sim_section_t& section : sim.upgrade_record().sections) {
        QVERIFY(section.received.size() <= qMax(section.announced, sim_block_size));
    }
}

void test_sim_upgrade::interrupted_upgrade_stays_in_bootloader() {
    sim_unit_t unit(unit_config("KVT0402Q,mode=boot,restart=50"));
    unit.handle("HOSTUG 5000");
    QVERIFY(ready(unit));
    unit.handle(fixed("UPGRADE:FAIL"));
    unit.handle("UPGRADE " + QByteArray(sim_block_size, 'a'));
    QVERIFY(ready(unit));
    // The host gives up without "UPGRADE:PASS" and restarts the unit.
    QVERIFY(restart(unit, "REBOOT"));
    QCOMPARE(wire_bytes(unit.handle("OS?")), QByteArray("BOOTLOADER\n"));
    QCOMPARE(unit.software_version(), QByteArray("1.0.0"));
    QVERIFY(!unit.upgrade_record().sections.value(0).passed);
    // A complete retry brings the application back.
    QVERIFY(send_section(unit, "HOSTUG", image_bytes(100, 1)));
    unit.handle(fixed("UPGRADE:PASS"));
    QVERIFY(restart(unit, "REBOOT"));
    QCOMPARE(wire_bytes(unit.handle("OS?")), QByteArray("APP\n"));
    QCOMPARE(unit.software_version(), sim_image_version(image_bytes(100, 1)));
}

void test_sim_upgrade::identity_commands() {
    sim_unit_t unit(unit_config("KVT0402Q"));
    const QByteArrayList names = {"SYSTem:DEVice:PRODUCTUG", "SYSTem:DEVice:MANUFTRUG",
                                  "SYSTem:DEVice:PIDUG", "SYSTem:DEVice:VIDUG",
                                  "SYSTem:DEVice:PRODUCTUG:ID"};
    for (const QByteArray& name : names) {
        QVERIFY(unit.handle(name + ' ' + name.toLower() + QByteArray("\0", 1)).isEmpty());
    }
    const QVector<sim_identity_t> identities = unit.upgrade_record().identities;
    QCOMPARE(identities.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(identities[i].command, names[i]);
        QCOMPARE(identities[i].data, names[i].toLower() + QByteArray("\0", 1));
    }
}

void test_sim_upgrade::record_keeps_the_newest() {
    sim_unit_t unit(unit_config("KVT0402Q,mode=boot"));
    constexpr int sent = 5000;
    for (int i = 0; i < sent; ++i) {
        unit.handle("HOSTUG " + QByteArray::number(i));
    }
    const sim_upgrade_record_t record = unit.upgrade_record();
    QVERIFY(record.commands.size() < sent);
    QCOMPARE(record.commands.last(), "HOSTUG " + QByteArray::number(sent - 1));
    QVERIFY(record.sections.size() < record.commands.size());
    QCOMPARE(record.sections.last().announced, sent - 1);
}

QTEST_GUILESS_MAIN(test_sim_upgrade)
#include "test_sim_upgrade.moc"
