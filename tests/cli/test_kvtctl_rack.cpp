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

    // The port or resource of the unit at this place in the list.
    QString place(int index) const {
        if (!visa) {
            return served[size_t(index)]->server.port_name();
        }
        return "USB0::0xA5C3::0x0E21::" +
               units.split(';')[index].section(",sn=", 1).section(',', 0, 0) + "::INSTR";
    }

    // The commands each unit took during the run, by place; over VISA the
    // stand-in's log lines ("SN <- command") leave the run's error output,
    // and the instrument of another maker it offers comes last.
    QVector<QByteArrayList> taken(kvtctl_result_t& result) const {
        const QStringList configs = units.split(';') + QStringList{",sn=MY12345678"};
        QVector<QByteArrayList> commands(configs.size());
        if (!visa) {
            for (size_t i = 0; i < served.size(); ++i) {
                commands[int(i)] = served[i]->server.commands();
            }
            return commands;
        }
        QByteArray own;
        for (const QByteArray& line : result.err.split('\n')) {
            bool logged = false;
            for (int i = 0; i < configs.size(); ++i) {
                const QByteArray tag = configs[i].section(",sn=", 1).section(',', 0, 0).toUtf8();
                logged = logged || line.startsWith(tag + " -> ");
                if (line.startsWith(tag + " <- ")) {
                    commands[i].append(line.mid(tag.size() + 4));
                    logged = true;
                }
            }
            if (!logged && !line.isEmpty()) {
                own += line + '\n';
            }
        }
        result.err = own;
        return commands;
    }

    bool visa;
    QString units;
    std::vector<std::unique_ptr<served_unit_t>> served;
};

// What a unit takes when it is only asked who it is and which images it takes.
const QByteArrayList questions = {"OS?", "MN?", "SN?", "SV?", "SHOW:PRODect:ID?", "UPGRADE:ID?"};

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

    // A serial number is what a unit says, not who it is: shared, refused by
    // the name rule or naming another unit's resource, it never merges two
    // units, reaches a unit not named, or names a file outside the folder.
    // {N} in the texts is the place of unit N (over VISA, N past the last
    // unit is the other maker's instrument); "-" in the units kept to
    // questions marks one that takes nothing at all.
    void trusted_names_data() {
        QTest::addColumn<bool>("visa");
        QTest::addColumn<QString>("units");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QStringList>("shows");
        // Units that take no more than identification, or nothing ("-N").
        QTest::addColumn<QStringList>("untouched");
        const QString dup = "KVT0402Q,sn=DUP;KVT0206Q,sn=DUP";
        const QString shared = "2 units answer to USB0::0xA5C3::0x0E21::DUP::INSTR";
        QTest::newRow("serial: duplicates listed once each, with a note")
            << false << dup << QStringList{"list"} << 0
            << QStringList{"shares serial number DUP with the unit at {1}",
                           "shares serial number DUP with the unit at {0}"}
            << QStringList{"0", "1"};
        QTest::newRow("serial: a shared serial number names no unit")
            << false << dup << QStringList{"--unit", "DUP", "set", "A=2"} << 2
            << QStringList{"2 units state serial number DUP, at {0} and {1}"}
            << QStringList{"0", "1"};
        QTest::newRow("serial: a rack acts on each by its own link")
            << false << dup << QStringList{"--all", "set", "A=2"} << 0 << QStringList{}
            << QStringList{};
        QTest::newRow("serial: no file for a shared serial number")
            << false << dup << QStringList{"--all", "save", "{dir}"} << 1
            << QStringList{"DUP at {0}: has no file", "DUP at {1}: has no file"} << QStringList{};
        QTest::newRow("serial: every failed unit named, the first too")
            << false << "KVT0402Q,sn=S1,faults=silent;KVT0402Q,sn=S2,faults=silent;KVT0402Q,sn=IN"
            << QStringList{"--all", "get"} << 1
            << QStringList{"{0}: did not identify itself", "{1}: did not identify itself"}
            << QStringList{};
        QTest::newRow("serial: no file outside the folder")
            << false << "KVT0402Q,sn=../outside;KVT0402Q,sn=IN"
            << QStringList{"--all", "save", "{dir}"} << 1
            << QStringList{"states serial number \"../outside\", which is not a name"}
            << QStringList{};
        QTest::newRow("serial: unit text shown as text")
            << false << "KVT0402Q,sn=X\\Y;KVT0402Q,sn=" + QString(65, 'L') << QStringList{"list"}
            << 0 << QStringList{"X\\x5cY", "longer than 64 characters"} << QStringList{"0", "1"};
        QTest::newRow("visa: one resource for two units: neither is used")
            << true << dup << QStringList{"--all", "set", "A=2"} << 1 << QStringList{shared}
            << QStringList{"-0", "-1"};
        QTest::newRow("visa: neither upgraded")
            << true << "KVT0402Q,sn=DUP;KVT0206Q,sn=DUP,id=800/0/0/1"
            << QStringList{"--all", "upgrade", "{image}"} << 1 << QStringList{shared}
            << QStringList{"-0", "-1"};
        QTest::newRow("visa: listed, never opened")
            << true << dup << QStringList{"list"} << 1 << QStringList{shared}
            << QStringList{"-0", "-1"};
        QTest::newRow("visa: not found by a shared serial number")
            << true << dup << QStringList{"--unit", "DUP", "get"} << 1
            << QStringList{"no unit DUP found; " + shared} << QStringList{"-0", "-1"};
        const QString colons = "KVT0402Q,sn=A::B,restart=50%1;KVT0402Q,sn=A%2";
        QTest::newRow("visa: a serial number with colons is no name")
            << true << colons.arg("", "") << QStringList{"--unit", "A::B", "upgrade", "{image}"}
            << 2
            << QStringList{"the unit at {0} states serial number \"A::B\", which is not a name"}
            << QStringList{"0", "1"};
        QTest::newRow("visa: upgraded by its resource, the other unit untouched")
            << true << colons.arg("", "") << QStringList{"--unit", "{0}", "upgrade", "{image}"} << 0
            << QStringList{"Upgrade OK!"} << QStringList{"-1"};
        QTest::newRow("visa: never back, the other unit untouched")
            << true << colons.arg(",faults=never-back", "")
            << QStringList{"--unit", "{0}", "upgrade", "{image}"} << 1
            << QStringList{"A::B at {0}: did not come back"} << QStringList{"-1"};
        // An upgrade follows its unit by what it states in full, and only ever
        // opens the family's resources.
        QTest::newRow("visa: a unit that never says its serial number is sent nothing")
            << true << "KVT0402Q,sn=A::B,faults=fail:SN?"
            << QStringList{"--unit", "{0}", "upgrade", "{image}"} << 1
            << QStringList{"{0}: did not say its serial number, which its restarts are "
                           "followed by; nothing was sent"}
            << QStringList{"0", "-1"};
        QTest::newRow("visa: never back, a serial number that only begins alike is not it")
            << true << "KVT0402Q,sn=A::B,restart=50,faults=never-back;KVT0402Q,sn=A::BC"
            << QStringList{"--unit", "{0}", "upgrade", "{image}"} << 1
            << QStringList{"A::B at {0}: did not come back"} << QStringList{"1", "-2"};
        QTest::newRow("visa: never back, the other unit in its bootloader untouched")
            << true << colons.arg(",faults=never-back", ",mode=boot")
            << QStringList{"--unit", "{0}", "upgrade", "{image}"} << 1
            << QStringList{"A::B at {0}: did not come back"} << QStringList{"-1"};
    }

    void trusted_names() {
        QFETCH(bool, visa);
        QFETCH(QString, units);
        QFETCH(QStringList, arguments);
        QFETCH(int, exit_code);
        QFETCH(QStringList, shows);
        QFETCH(QStringList, untouched);
        QTemporaryDir dir;
        const QString folder = dir.filePath("rack");
        QVERIFY(QDir().mkpath(folder));
        const QString file = dir.filePath("small.ADS");
        QFile image(file);
        const QByteArray bytes = make_image(700, {{section_application, QByteArray(500, 'a')}});
        QVERIFY(image.open(QIODevice::WriteOnly) && image.write(bytes) == bytes.size());
        image.close();
        const rack_t rack(visa, units);
        const auto expand = [&](QString text) {
            for (int i = 0; i < units.count(';') + 1; ++i) {
                text.replace(QStringLiteral("{%1}").arg(i), rack.place(i));
            }
            return text.replace("{dir}", folder).replace("{image}", file);
        };
        for (QString& word : arguments) {
            word = expand(word);
        }
        kvtctl_result_t result = visa
                                     ? run_kvtctl(arguments, {{"LD_LIBRARY_PATH", VISA_STANDIN_DIR},
                                                              {"KVT_VISA_UNITS", units},
                                                              {"KVT_VISA_LOG", "1"}})
                                     : rack.run(arguments);
        const QVector<QByteArrayList> taken = rack.taken(result);
        // Every unit that failed has a line of its own.
        QVERIFY2(result.exit_code == exit_code &&
                     (exit_code != 0 || without_progress(result.err).isEmpty()),
                 result.out + result.err);
        for (const QString& text : shows) {
            QVERIFY2((result.out + result.err).contains(expand(text).toUtf8()),
                     result.out + result.err);
        }
        for (const QString& which : untouched) {
            const bool nothing = which.startsWith('-');
            const QByteArrayList& commands = taken[which.right(1).toInt()];
            for (const QByteArray& command : commands) {
                QVERIFY2(!nothing && questions.contains(command),
                         qPrintable(which + " took " + command));
            }
        }
        // Nothing lands beside the folder; a file is only ever a named unit's.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"small.ADS"});
        for (const QString& saved : QDir(folder).entryList(QDir::Files)) {
            QVERIFY2(saved == "IN.json", qPrintable(saved));
        }
    }

    // A rack's folder holds one file per unit, named by its serial number,
    // and gives each unit its own positions back.
    void rack_folder_round_trip() {
        QTemporaryDir dir;
        const rack_t rack(false, both_models);
        for (const QStringList& step :
             {QStringList{"--all", "set", "A=2"}, QStringList{"--all", "save", dir.path()},
              QStringList{"--all", "set", "A=1"}, QStringList{"--all", "restore", dir.path()}}) {
            KVTCTL_CHECK(rack.run(step), 0);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"SIX.json", "TWO.json"}));
        const kvtctl_result_t got = rack.run({"--all", "get", "A"});
        KVTCTL_CHECK(got, 0);
        QCOMPARE(got.out, "TWO at " + rack.name_of("TWO").toUtf8() + ":\n  A=2\nSIX at " +
                              rack.name_of("SIX").toUtf8() + ":\n  A=2\n");
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
