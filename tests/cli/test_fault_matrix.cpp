// Every operation an operator runs from kvtctl, on both links, against every
// fault a simulated unit can show. Each cell holds the rule the operator
// relies on: the run ends in time, shows the unit's real state or fails
// plainly, touches no other unit, and the next operation finds the unit as
// it really is.
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <vector>

#include "sim/pty_server.h"
#include "sim/sim_config.h"
#include "sim/sim_unit.h"
#include "tests/cli/kvtctl_run.h"
#include "upgrade/image_writer.h"

namespace {

enum class link_t { serial, visa };
constexpr link_t serial = link_t::serial;
constexpr link_t visa = link_t::visa;

// In an operation's words and a cell's texts, {SN} stands for the port or
// VISA resource of the unit with that serial number.
struct cell_t {
    link_t link;
    QString units;
    QStringList operation;
    int exit;
    // Lines the run shows: each a whole line of its output or a part of its error line.
    QByteArray shows;
    // Serial only, on the same units: the following operation and what it shows.
    // The VISA stand-in's units start afresh in every process, so there a
    // following run could not see what the cell left behind.
    QStringList then = {};
    int then_exit = 0;
    QByteArray then_shows = {};
};

// A two-port unit with the settings, and a healthy one beside it.
QString faulty(const QString& settings) {
    return "KVT0402Q,sn=FAULTY,restart=50" + (settings.isEmpty() ? "" : ',' + settings) +
           ";KVT0402Q,sn=HEALTHY";
}

const QStringList info = {"--unit", "{FAULTY}", "info"};
const QStringList set = {"--unit", "{FAULTY}", "set", "A=2"};
const QStringList get = {"--unit", "{FAULTY}", "get", "A"};
const QStringList query = {"--unit", "{FAULTY}", "query", "SN?"};
const QStringList query_os = {"--unit", "{FAULTY}", "query", "OS?"};
const QStringList list = {"list"};
const QStringList upgrade = {"--unit", "{FAULTY}", "upgrade", "{image}"};

const QByteArray identity = "unit {FAULTY}\nserial_number FAULTY";
const QByteArray named = "{FAULTY}";
const QByteArray both_listed =
    "{FAULTY} KVT0402Q FAULTY 1.0.0 17\n{HEALTHY} KVT0402Q HEALTHY 1.0.0 17";
const QByteArray healthy_listed = "{HEALTHY} KVT0402Q HEALTHY 1.0.0 17\n{FAULTY}";
// A unit in its bootloader is listed in that state, for an upgrade to finish it.
const QByteArray boot_listed =
    "{FAULTY} - FAULTY - - bootloader\n{HEALTHY} KVT0402Q HEALTHY 1.0.0 17";
// Unit text is shown as text: bytes outside printable ASCII escaped.
const QByteArray garbled = "\\xa5\\xa5\\xa5\\xa5\\xa5\\xa5";
const QByteArray overlong = "FAULTY" + QByteArray(65, '#');
const QByteArray set_unanswered = "FAULTY at {FAULTY}: switch A did not answer its set command";
const QByteArray upgraded = "Upgrade OK! Software version {version}";
// An answer late or in pieces confirms no step of the handshake, so such a
// run never counts as upgraded.
const QByteArray upgrade_failed = "FAULTY at {FAULTY}: \nthe upgrade with {image} failed";
// Nothing is sent to a unit that does not say which images it takes, or
// does not say its serial number in full, which its restarts are followed by.
const QByteArray rule_unsaid = "{FAULTY}: did not say which images it takes";
const QByteArray serial_unsaid =
    "{FAULTY}: did not say its serial number, which its restarts are followed by; nothing was "
    "sent";

// Serial delays beyond the link's 200 ms for a first byte and 500 ms for the
// rest of a line; VISA ones beyond the stand-in's timeout set below.
const QVector<cell_t> matrix = {
    {serial, faulty(""), info, 0, identity, query, 0, "FAULTY"},
    {serial, faulty(""), set, 0, "", get, 0, "A=2"},
    {serial, faulty(""), query, 0, "FAULTY", query, 0, "FAULTY"},
    {serial, faulty(""), list, 0, both_listed, query, 0, "FAULTY"},
    {serial, faulty("faults=silent"), info, 1, named, query, 1, named},
    {serial, faulty("faults=silent"), set, 1, named, get, 1, named},
    {serial, faulty("faults=silent"), query, 1, named, query, 1, named},
    {serial, faulty("faults=silent"), list, 1, healthy_listed, query, 1, named},
    {serial, faulty("faults=delay:400"), info, 1, named, query, 1, named},
    {serial, faulty("faults=delay:400"), set, 1, named, get, 1, named},
    {serial, faulty("faults=delay:400"), query, 1, named, query, 1, named},
    {serial, faulty("faults=delay:400"), list, 1, healthy_listed, query, 1, named},
    {serial, faulty("faults=split:700"), info, 1, named, query, 1, named},
    {serial, faulty("faults=split:700"), set, 1, named, get, 1, named},
    {serial, faulty("faults=split:700"), query, 1, named, query, 1, named},
    {serial, faulty("faults=split:700"), list, 1, healthy_listed, query, 1, named},
    {serial, faulty("faults=garbage"), info, 1, named, query, 0, garbled},
    {serial, faulty("faults=garbage"), set, 1, named, get, 1, named},
    {serial, faulty("faults=garbage"), query, 0, garbled, query, 0, garbled},
    {serial, faulty("faults=garbage"), list, 1, healthy_listed, query, 0, garbled},
    {serial, faulty("faults=overlong"), info, 1, named, query, 0, overlong},
    {serial, faulty("faults=overlong"), set, 1, named, get, 1, named},
    {serial, faulty("faults=overlong"), query, 0, overlong, query, 0, overlong},
    {serial, faulty("faults=overlong"), list, 1, healthy_listed, query, 0, overlong},
    {serial, faulty("faults=never-ready"), info, 0, identity, query, 0, "FAULTY"},
    {serial, faulty("faults=never-ready"), set, 0, "", get, 0, "A=2"},
    {serial, faulty("faults=never-ready"), query, 0, "FAULTY", query, 0, "FAULTY"},
    {serial, faulty("faults=never-ready"), list, 0, both_listed, query, 0, "FAULTY"},
    {serial, faulty("faults=never-back"), info, 0, identity, query, 0, "FAULTY"},
    {serial, faulty("faults=never-back"), set, 0, "", get, 0, "A=2"},
    {serial, faulty("faults=never-back"), query, 0, "FAULTY", query, 0, "FAULTY"},
    {serial, faulty("faults=never-back"), list, 0, both_listed, query, 0, "FAULTY"},
    {serial, faulty("mode=boot,faults=crlf"), info, 1, named, query, 0, "FAULTY"},
    {serial, faulty("mode=boot,faults=crlf"), set, 1, named, get, 1, named},
    {serial, faulty("mode=boot,faults=crlf"), query_os, 0, "BOOTLOADER\\x0d", query, 0, "FAULTY"},
    {serial, faulty("mode=boot,faults=crlf"), list, 1, healthy_listed, query, 0, "FAULTY"},
    // A line that never ends is no answer on a link that frames answers by lines.
    {serial, faulty("mode=boot,faults=no-lf"), info, 1, named, query, 0, "FAULTY"},
    {serial, faulty("mode=boot,faults=no-lf"), set, 1, named, get, 1, named},
    {serial, faulty("mode=boot,faults=no-lf"), query_os, 1, named, query, 0, "FAULTY"},
    {serial, faulty("mode=boot,faults=no-lf"), list, 1, healthy_listed, query, 0, "FAULTY"},
    {serial, faulty("faults=fail:SV?"), info, 1, named, query, 0, "FAULTY"},
    {serial, faulty("faults=fail:SETA=1"), set, 1, set_unanswered, get, 0, "A=1"},
    {serial, faulty("faults=fail:SN?"), query, 1, named, query, 1, named},
    {serial, faulty("faults=fail:SV?"), list, 1, healthy_listed, query, 0, "FAULTY"},
    {serial, faulty("faults=stuck:A"), info, 0, identity, query, 0, "FAULTY"},
    {serial, faulty("faults=stuck:A"), set, 1, "switch A did not hold position 2 (reads 1)", get, 0,
     "A=1"},
    {serial, faulty("faults=stuck:A"), query, 0, "FAULTY", query, 0, "FAULTY"},
    {serial, faulty("faults=stuck:A"), list, 0, both_listed, query, 0, "FAULTY"},
    {serial, faulty("faults=vanish:3"), info, 1, named, query, 1, named},
    {serial, faulty("faults=vanish:5"), set, 1, named, get, 1, named},
    {serial, faulty("faults=vanish:0"), query, 1, named, query, 1, named},
    {serial, faulty("faults=vanish:2"), list, 1, healthy_listed, query, 1, named},
    {serial, faulty("mode=boot"), info, 1, named, query, 0, "FAULTY"},
    {serial, faulty("mode=boot"), set, 1, named, get, 1, named},
    {serial, faulty("mode=boot"), query, 0, "FAULTY", query, 0, "FAULTY"},
    {serial, faulty("mode=boot"), list, 0, boot_listed, query, 0, "FAULTY"},

    {visa, faulty(""), info, 0, identity},
    {visa, faulty(""), set, 0, ""},
    {visa, faulty(""), query, 0, "FAULTY"},
    {visa, faulty(""), list, 0, both_listed},
    {visa, faulty("faults=silent"), info, 1, named},
    {visa, faulty("faults=silent"), set, 1, named},
    {visa, faulty("faults=silent"), query, 1, named},
    {visa, faulty("faults=silent"), list, 1, healthy_listed},
    {visa, faulty("faults=delay:400"), info, 1, named},
    {visa, faulty("faults=delay:400"), set, 1, named},
    {visa, faulty("faults=delay:400"), query, 1, named},
    {visa, faulty("faults=delay:400"), list, 1, healthy_listed},
    {visa, faulty("faults=split:400"), info, 1, named},
    {visa, faulty("faults=split:400"), set, 1, named},
    {visa, faulty("faults=split:400"), query, 1, named},
    {visa, faulty("faults=split:400"), list, 1, healthy_listed},
    {visa, faulty("faults=garbage"), info, 1, named},
    {visa, faulty("faults=garbage"), set, 1, named},
    {visa, faulty("faults=garbage"), query, 0, garbled},
    {visa, faulty("faults=garbage"), list, 1, healthy_listed},
    {visa, faulty("faults=overlong"), info, 1, named},
    {visa, faulty("faults=overlong"), set, 1, named},
    {visa, faulty("faults=overlong"), query, 0, overlong},
    {visa, faulty("faults=overlong"), list, 1, healthy_listed},
    {visa, faulty("faults=never-ready"), info, 0, identity},
    {visa, faulty("faults=never-ready"), set, 0, ""},
    {visa, faulty("faults=never-ready"), query, 0, "FAULTY"},
    {visa, faulty("faults=never-ready"), list, 0, both_listed},
    {visa, faulty("faults=never-back"), info, 0, identity},
    {visa, faulty("faults=never-back"), set, 0, ""},
    {visa, faulty("faults=never-back"), query, 0, "FAULTY"},
    {visa, faulty("faults=never-back"), list, 0, both_listed},
    {visa, faulty("mode=boot,faults=crlf"), info, 1, named},
    {visa, faulty("mode=boot,faults=crlf"), set, 1, named},
    {visa, faulty("mode=boot,faults=crlf"), query_os, 0, "BOOTLOADER\\x0d"},
    {visa, faulty("mode=boot,faults=crlf"), list, 1, healthy_listed},
    // VISA marks an answer's end itself, so one without its line feed is whole.
    {visa, faulty("mode=boot,faults=no-lf"), info, 1, named},
    {visa, faulty("mode=boot,faults=no-lf"), set, 1, named},
    {visa, faulty("mode=boot,faults=no-lf"), query_os, 0, "BOOTLOADER"},
    {visa, faulty("mode=boot,faults=no-lf"), list, 0, boot_listed},
    {visa, faulty("faults=fail:SV?"), info, 1, named},
    {visa, faulty("faults=fail:SETA=1"), set, 1, set_unanswered},
    {visa, faulty("faults=fail:SN?"), query, 1, named},
    {visa, faulty("faults=fail:SV?"), list, 1, healthy_listed},
    {visa, faulty("faults=stuck:A"), info, 0, identity},
    {visa, faulty("faults=stuck:A"), set, 1, "switch A did not hold position 2 (reads 1)"},
    {visa, faulty("faults=stuck:A"), query, 0, "FAULTY"},
    {visa, faulty("faults=stuck:A"), list, 0, both_listed},
    {visa, faulty("faults=vanish:3"), info, 1, named},
    {visa, faulty("faults=vanish:5"), set, 1, named},
    {visa, faulty("faults=vanish:0"), query, 1, named},
    {visa, faulty("faults=vanish:2"), list, 1, healthy_listed},
    {visa, faulty("mode=boot"), info, 1, named},
    {visa, faulty("mode=boot"), set, 1, named},
    {visa, faulty("mode=boot"), query, 0, "FAULTY"},
    {visa, faulty("mode=boot"), list, 0, boot_listed},

    {visa, faulty(""), upgrade, 0, upgraded},
    {visa, faulty("faults=silent"), upgrade, 1, rule_unsaid},
    {visa, faulty("faults=delay:400"), upgrade, 1, rule_unsaid},
    {visa, faulty("faults=split:400"), upgrade, 1, rule_unsaid},
    // A garbled rule reads as numbers 0, which take no image.
    {visa, faulty("faults=garbage"), upgrade, 2, "does not accept the image's number"},
    {visa, faulty("faults=overlong"), upgrade, 1, serial_unsaid},
    {visa, faulty("faults=never-ready"), upgrade, 1, upgrade_failed},
    {visa, faulty("faults=never-back"), upgrade, 1, upgrade_failed},
    {visa, faulty("mode=boot,faults=crlf"), upgrade, 0, upgraded},
    {visa, faulty("mode=boot,faults=no-lf"), upgrade, 0, upgraded},
    {visa, faulty("faults=fail:UPREADY?"), upgrade, 1, upgrade_failed},
    {visa, faulty("faults=fail:SN?"), upgrade, 1, serial_unsaid},
    {visa, faulty("faults=stuck:A"), upgrade, 0, upgraded},
    {visa, faulty("faults=vanish:7"), upgrade, 1, upgrade_failed},
    {visa, faulty("mode=boot"), upgrade, 0, upgraded},
    // The unit asked for never comes back; the other one waits in its
    // bootloader, where an upgrade meant for the first would be taken.
    {visa,
     "KVT0402Q,sn=B,mode=boot;KVT0402Q,sn=A,faults=never-back",
     {"--unit", "A", "upgrade", "{image}"},
     1,
     "{A}"},
};

const char visa_timeout_ms[] = "250";
constexpr qint64 operation_limit_ms = 10000;
constexpr qint64 upgrade_limit_ms = 60000;
// Longer than any fault holds an answer back.
constexpr int answer_limit_ms = 5000;

const QByteArrayList identification = {"OS?", "MN?", "SN?", "SV?", "SHOW:PRODect:ID?"};

bool is_upgrade(const QStringList& operation) {
    return operation.contains("upgrade");
}

// The serial number of the unit the operation names, empty when it names none.
QByteArray target_of(const QStringList& operation) {
    const int at = operation.indexOf("--unit");
    if (at < 0 || at + 1 >= operation.size()) {
        return {};
    }
    QString name = operation.at(at + 1);
    return name.remove('{').remove('}').toUtf8();
}

// The cell's units: served on pseudo-terminals in this process for the serial
// link, described to the VISA stand-in for each run otherwise.
class units_t {
public:
    units_t(link_t link_used, const QString& text) : link(link_used), units_text(text) {
        QString error;
        if (!sim_parse_units(text, configs, error)) {
            qWarning("bad unit text %s: %s", qPrintable(text), qPrintable(error));
        }
        if (link == serial) {
            // Each server's handlers hold its unit.
            for (const sim_unit_config_t& config : configs) {
                auto unit = std::make_shared<sim_unit_t>(config);
                servers.push_back(std::make_unique<pty_server_t>(
                    [unit](const QByteArray& command) { return unit->handle(command); },
                    [unit] { return !unit->vanished(); }));
            }
        }
    }

    bool ready() const {
        return !configs.isEmpty() && std::all_of(servers.begin(), servers.end(),
                                                 [](const std::unique_ptr<pty_server_t>& server) {
                                                     return server->is_open();
                                                 });
    }

    // The text with each {SN} replaced by that unit's port or resource.
    QByteArray with_names(QByteArray text) const {
        for (int i = 0; i < configs.size(); ++i) {
            const QByteArray serial_number = configs[i].serial_number;
            const QByteArray name = link == serial
                                        ? servers[i]->port_name().toUtf8()
                                        : "USB0::0xA5C3::0x0E21::" + serial_number + "::INSTR";
            text.replace('{' + serial_number + '}', name);
        }
        return text;
    }

    kvtctl_result_t run(const QStringList& arguments) {
        if (link == visa) {
            return run_kvtctl(arguments, {{"LD_LIBRARY_PATH", VISA_STANDIN_DIR},
                                          {"KVT_VISA_UNITS", units_text},
                                          {"KVT_VISA_TIMEOUT_MS", visa_timeout_ms},
                                          {"KVT_VISA_LOG", "1"}});
        }
        QStringList ports;
        for (const std::unique_ptr<pty_server_t>& server : servers) {
            server->clear_commands();
            ports << "--port" << server->port_name();
        }
        return run_kvtctl(ports + arguments);
    }

    // A late answer is on the line before the next program opens it: it must
    // not be taken, whenever it came.
    void wait_for_answers() const {
        for (const std::unique_ptr<pty_server_t>& server : servers) {
            server->wait_for_answers(answer_limit_ms);
        }
    }

    // What each unit took during the run, by serial number. The stand-in's
    // log lines ("SN <- command") leave the run's error output here.
    QMap<QByteArray, QByteArrayList> taken(kvtctl_result_t& result) const {
        QMap<QByteArray, QByteArrayList> commands;
        if (link == serial) {
            for (int i = 0; i < configs.size(); ++i) {
                commands[configs[i].serial_number] = servers[i]->commands();
            }
            return commands;
        }
        QByteArray own;
        for (const QByteArray& line : result.err.split('\n')) {
            bool logged = false;
            for (const sim_unit_config_t& config : configs) {
                const QByteArray tag = config.serial_number;
                if (line.startsWith(tag + " <- ")) {
                    commands[tag].append(line.mid(tag.size() + 4));
                }
                logged = logged || line.startsWith(tag + " <- ") || line.startsWith(tag + " -> ");
            }
            if (!logged && !line.isEmpty()) {
                own += line + '\n';
            }
        }
        result.err = own;
        return commands;
    }

private:
    link_t link;
    QString units_text;
    QVector<sim_unit_config_t> configs;
    std::vector<std::unique_ptr<pty_server_t>> servers;
};

}  // namespace

class test_fault_matrix : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    QString image_path;
    QByteArray version;

    QByteArray expand(const units_t& units, QByteArray text) const {
        text.replace("{image}", QFile::encodeName(image_path)).replace("{version}", version);
        return units.with_names(text);
    }

    // Empty when the run kept every rule, else what it broke.
    QString check_run(units_t& units, const QStringList& operation, int exit,
                      const QByteArray& shows) const {
        QStringList arguments;
        for (const QString& word : operation) {
            arguments << QString::fromUtf8(expand(units, word.toUtf8()));
        }
        QElapsedTimer clock;
        clock.start();
        kvtctl_result_t result = units.run(arguments);
        const qint64 took = clock.elapsed();
        const QMap<QByteArray, QByteArrayList> taken = units.taken(result);
        QStringList broken;
        const QString how = verdict(result, exit);
        if (!how.isEmpty()) {
            broken << how;
        }
        const qint64 limit = is_upgrade(operation) ? upgrade_limit_ms : operation_limit_ms;
        if (took > limit) {
            broken << QStringLiteral("took %1 ms").arg(took);
        }
        QByteArrayList lines;
        for (const QByteArray& line : result.out.split('\n')) {
            lines << line.simplified();
        }
        for (const QByteArray& line : shows.split('\n')) {
            const QByteArray wanted = expand(units, line);
            if (!wanted.isEmpty() && !lines.contains(wanted) && !result.err.contains(wanted)) {
                broken << "does not show [" + QString::fromUtf8(wanted) + ']';
            }
        }
        const QByteArray target = target_of(operation);
        for (auto it = taken.begin(); it != taken.end(); ++it) {
            for (const QByteArray& command : it.value()) {
                if (it.key() != target && !identification.contains(command)) {
                    broken << QStringLiteral("unit %1 took %2")
                                  .arg(QString::fromUtf8(it.key()), QString::fromUtf8(command));
                }
            }
        }
        if (broken.isEmpty()) {
            return {};
        }
        return QStringLiteral("kvtctl %1: %2; stdout [%3], stderr [%4]")
            .arg(arguments.join(' '), broken.join("; "), QString::fromUtf8(result.out),
                 QString::fromUtf8(result.err));
    }

private slots:
    void initTestCase() {
        const QByteArray application(1000, '\x3c');
        image_path = dir.filePath("small.ADS");
        QFile file(image_path);
        const QByteArray image = make_image(700, {{section_application, application}});
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        version = "app-" +
                  QCryptographicHash::hash(application, QCryptographicHash::Sha256).toHex().left(8);
    }

    // Built twice, the upgrades apart: each takes seconds.
    void cells_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < matrix.size(); ++i) {
            const cell_t& cell = matrix[i];
            if (is_upgrade(cell.operation) == bool(FAULT_MATRIX_UPGRADES)) {
                const QString name = QStringLiteral("%1 %2: %3")
                                         .arg(cell.link == serial ? "serial" : "visa", cell.units,
                                              cell.operation.join(' '));
                QTest::newRow(qPrintable(name)) << i;
            }
        }
    }

    void cells() {
        QFETCH(int, index);
        const cell_t& cell = matrix[index];
        units_t units(cell.link, cell.units);
        QVERIFY(units.ready());
        const QString first = check_run(units, cell.operation, cell.exit, cell.shows);
        QVERIFY2(first.isEmpty(), qPrintable(first));
        if (!cell.then.isEmpty()) {
            units.wait_for_answers();
            const QString next = check_run(units, cell.then, cell.then_exit, cell.then_shows);
            QVERIFY2(next.isEmpty(), qPrintable(next));
        }
    }
};

QTEST_GUILESS_MAIN(test_fault_matrix)
#include "test_fault_matrix.moc"
