// kvtctl on several units at once: one result per unit, every failure named.
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <vector>

#include "tests/cli/kvtctl_run.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/scripted_unit.h"
#include "upgrade/image_writer.h"

namespace {

// Units in kvt-sim's --units form, served over the link the row names; in
// the arguments, {A} stands for the name the link knows unit A by.
struct rack_t {
    explicit rack_t(bool visa, const QString& units) : visa(visa), units(units) {
        if (visa) {
            return;
        }
        for (const QString& unit : units.split(';')) {
            served.push_back(std::make_unique<served_unit_t>(unit_config(unit)));
        }
    }

    QString name_of(const QString& serial) const {
        if (visa) {
            return "USB0::0xA5C3::0x0E21::" + serial + "::INSTR";
        }
        for (const auto& unit : served) {
            if (unit->unit->config().serial_number == serial.toUtf8()) {
                return unit->server.port_name();
            }
        }
        return {};
    }

    kvtctl_result_t run(QStringList arguments) const {
        for (QString& word : arguments) {
            if (word.startsWith('{')) {
                word = name_of(word.mid(1, word.size() - 2));
            }
        }
        if (visa) {
            return run_kvtctl(arguments,
                              {{"LD_LIBRARY_PATH", VISA_STANDIN_DIR}, {"KVT_VISA_UNITS", units}});
        }
        QStringList ports;
        for (const auto& unit : served) {
            ports << "--port" << unit->server.port_name();
        }
        return run_kvtctl(ports + arguments);
    }

    bool visa;
    QString units;
    std::vector<std::unique_ptr<served_unit_t>> served;
};

const QString both_models = "KVT0402Q,sn=TWO;KVT0206Q,sn=SIX";
const QString six_silent = "KVT0402Q,sn=TWO;KVT0206Q,sn=SIX,faults=silent";

}  // namespace

class test_kvtctl_rack : public QObject {
    Q_OBJECT
private slots:
    void one_result_per_unit_data() {
        QTest::addColumn<bool>("visa");
        QTest::addColumn<QString>("units");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit_code");
        // Serial numbers of the units reported, in order.
        QTest::addColumn<QStringList>("reported");
        // The unit named on standard error.
        QTest::addColumn<QString>("failed");
        for (const bool visa : {false, true}) {
            const char* link = visa ? "visa" : "serial";
            QTest::addRow("%s: all, both models", link)
                << visa << both_models << QStringList{"--all", "get", "--json"} << 0
                << QStringList{"TWO", "SIX"} << QString();
            QTest::addRow("%s: one silent", link)
                << visa << six_silent << QStringList{"--all", "get", "--json"} << 1
                << QStringList{"TWO"} << QString("{SIX}");
            QTest::addRow("%s: named twice, by serial and by name", link)
                << visa << both_models
                << QStringList{"--unit", "SIX", "--unit", "{TWO}", "get", "--json"} << 0
                << QStringList{"TWO", "SIX"} << QString();
            QTest::addRow("%s: one not found", link)
                << visa << both_models
                << QStringList{"--unit", "SIX", "--unit", "GONE", "get", "--json"} << 1
                << QStringList{"SIX"} << QString("no unit GONE found");
        }
    }

    void one_result_per_unit() {
        QFETCH(bool, visa);
        QFETCH(QString, units);
        QFETCH(QStringList, arguments);
        QFETCH(int, exit_code);
        QFETCH(QStringList, reported);
        QFETCH(QString, failed);
        const rack_t rack(visa, units);
        const kvtctl_result_t result = rack.run(arguments);
        KVTCTL_CHECK(result, exit_code);
        QStringList serials;
        for (const QJsonValue& unit : result.json().array()) {
            const QJsonObject object = unit.toObject();
            serials << object.value("serial_number").toString();
            const bool six = object.value("model").toString() == "KVT0206Q";
            QCOMPARE(object.value("positions").toObject().size(), six ? 2 : 4);
            QCOMPARE(object.value("unit").toString(), rack.name_of(serials.last()));
        }
        QCOMPARE(serials, reported);
        if (!failed.isEmpty()) {
            const QString name =
                failed.startsWith('{') ? rack.name_of(failed.mid(1, failed.size() - 2)) : failed;
            QVERIFY2(result.err.contains(name.toUtf8()), result.err);
        }
    }

    // A unit waiting in its bootloader is listed and found by its serial
    // number; what needs its application is refused, naming the way out.
    void unit_in_its_bootloader_data() {
        QTest::addColumn<bool>("visa");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QByteArray>("shows");
        for (const bool visa : {false, true}) {
            const char* link = visa ? "visa" : "serial";
            QTest::addRow("%s: list", link)
                << visa << QStringList{"list", "--json"} << 0 << QByteArray("\"bootloader\"");
            QTest::addRow("%s: found by serial number", link)
                << visa << QStringList{"--unit", "BOOT", "query", "OS?"} << 0
                << QByteArray("BOOTLOADER");
            QTest::addRow("%s: get refused", link)
                << visa << QStringList{"--unit", "BOOT", "get"} << 1
                << QByteArray("kvtctl --unit BOOT upgrade FILE");
        }
    }

    void unit_in_its_bootloader() {
        QFETCH(bool, visa);
        QFETCH(QStringList, arguments);
        QFETCH(int, exit_code);
        QFETCH(QByteArray, shows);
        const rack_t rack(visa, "KVT0402Q,sn=TWO;KVT0402Q,sn=BOOT,mode=boot");
        const kvtctl_result_t result = rack.run(arguments);
        KVTCTL_CHECK(result, exit_code);
        QVERIFY2((result.out + result.err).contains(shows), result.out + result.err);
    }

    // Each unit of a rack is upgraded on its own link at once; one that never
    // comes back fails by name, and the others end with the image's
    // application byte for byte.
    void rack_upgrade() {
        QTemporaryDir dir;
        const QByteArray application(3000, '\x7e');
        const QString file = dir.filePath("rack.ADS");
        QFile image(file);
        const QByteArray bytes = make_image(700, {{section_application, application}});
        QVERIFY(image.open(QIODevice::WriteOnly) && image.write(bytes) == bytes.size());
        image.close();
        const rack_t rack(true,
                          "KVT0402Q,sn=R1,restart=50;KVT0402Q,sn=R2,restart=50,"
                          "faults=never-back;KVT0206Q,sn=R3,restart=50");
        const kvtctl_result_t result = rack.run({"--all", "upgrade", file, "--json"});
        KVTCTL_CHECK(result, 1);
        QVERIFY2(
            result.err.contains("R2 at " + rack.name_of("R2").toUtf8() + ": did not come back"),
            result.err);
        const QString version =
            "app-" +
            QCryptographicHash::hash(application, QCryptographicHash::Sha256).toHex().left(8);
        QStringList upgraded;
        for (const QJsonValue& unit : result.json().array()) {
            QCOMPARE(unit.toObject().value("software_version").toString(), version);
            upgraded << unit.toObject().value("unit").toString();
        }
        QCOMPARE(upgraded, (QStringList{rack.name_of("R1"), rack.name_of("R3")}));
    }

    // Text comes in one block per unit, under its serial number.
    void text_blocks() {
        const rack_t rack(false, both_models);
        const kvtctl_result_t result = rack.run({"--all", "get", "A"});
        KVTCTL_CHECK(result, 0);
        QCOMPARE(result.out, "TWO at " + rack.name_of("TWO").toUtf8() + ":\n  A=1\nSIX at " +
                                 rack.name_of("SIX").toUtf8() + ":\n  A=0\n");
    }
};

QTEST_GUILESS_MAIN(test_kvtctl_rack)
#include "test_kvtctl_rack.moc"
