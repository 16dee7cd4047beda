#include "cli/command_line.h"

#include <QCommandLineParser>
#include <QDir>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "quillon_version.h"

namespace {

const QString general_description = QStringLiteral(
    "Drives KVT switch units from a shell: over VISA when the VISA library is ready, else over "
    "the units' serial ports.\n\nCommands:\n%1\n\n"
    "Exit status: 0 done, 1 a unit or a file failed, 2 a usage error. kvtctl COMMAND --help "
    "tells more.");

// Longest --timeout taken: ten minutes, as far as any unit's answer is worth waiting.
constexpr int longest_timeout_ms = 600000;

QString usage_text(const command_t* command) {
    const QString words = command ? QStringLiteral("%1 %2").arg(command->name, command->syntax)
                                  : QStringLiteral("COMMAND [ARGUMENT...]");
    return QStringLiteral("kvtctl [options] %1").arg(words).trimmed();
}

void print_help(QCommandLineParser& parser, const command_t* command) {
    parser.clearPositionalArguments();
    if (command) {
        parser.setApplicationDescription(QString::fromUtf8(command->details));
        parser.addPositionalArgument(QString::fromUtf8(command->name),
                                     QString::fromUtf8(command->summary));
    } else {
        parser.setApplicationDescription(general_description.arg(command_summaries()));
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("One of the commands above."));
    }
    // Qt's usage line names the program by the path it was started with.
    const QString text = parser.helpText();
    print_line((QStringLiteral("Usage: ") + usage_text(command) + text.mid(text.indexOf('\n')))
                   .toUtf8()
                   .trimmed());
}

// A path names a port to search, as --port does; serial numbers and
// resource texts are no paths.
QStringList ports_to_search(QStringList ports, const QStringList& units) {
    for (const QString& unit : units) {
        if (QDir::isAbsolutePath(unit) && !ports.contains(unit)) {
            ports.append(unit);
        }
    }
    return ports;
}

cli_status_t run(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption unit_option(
        {QStringLiteral("u"), QStringLiteral("unit")},
        QStringLiteral("The unit to use: serial number, VISA resource or port; a port path "
                       "need not be given with --port (default: the first found). May be "
                       "repeated: info, get, set, save, restore and query then run on every "
                       "unit named at once."),
        QStringLiteral("NAME"));
    const QCommandLineOption all_option(
        QStringLiteral("all"),
        QStringLiteral("Run info, get, set, save, restore or query on every unit found, all "
                       "at once."));
    const QCommandLineOption port_option(
        QStringLiteral("port"),
        QStringLiteral("A serial port to look for a unit on besides the family's USB ports; "
                       "may be repeated."),
        QStringLiteral("PATH"));
    const QCommandLineOption resource_option(
        QStringLiteral("resource"),
        QStringLiteral("A VISA resource to look for a unit on besides the USB units, such as "
                       "TCPIP0::lab-pc::KVT2024001::INSTR; may be repeated."),
        QStringLiteral("RESOURCE"));
    const QCommandLineOption json_option(QStringLiteral("json"),
                                         QStringLiteral("Print JSON instead of text."));
    const QCommandLineOption timeout_option(
        QStringLiteral("timeout"),
        QStringLiteral("Wait this long for a slow unit's answer: for its first byte over a "
                       "serial port (default 200), for each read over VISA (default: the VISA "
                       "library's)."),
        QStringLiteral("MS"));
    const QCommandLineOption since_option(
        QStringLiteral("since"),
        QStringLiteral("history: only the records from this time on (ISO 8601, UTC unless it "
                       "says otherwise)."),
        QStringLiteral("TIME"));
    const QCommandLineOption prune_option(
        QStringLiteral("prune-before"),
        QStringLiteral("history: delete the records older than this time; wear still counts "
                       "their moves."),
        QStringLiteral("TIME"));
    const QCommandLineOption routes_option(
        QStringLiteral("routes"),
        QStringLiteral("route: the routes file (default: $XDG_CONFIG_HOME/quillon/routes.json, "
                       "else ~/.config/quillon/routes.json)."),
        QStringLiteral("FILE"));
    // Qt's own help option would also offer help on options kvtctl does not take.
    const QCommandLineOption help_option({QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("Show this help."));
    const QCommandLineOption version_option(QStringLiteral("version"),
                                            QStringLiteral("Show the version."));
    parser.addOptions({unit_option, all_option, port_option, resource_option, json_option,
                       timeout_option, since_option, prune_option, routes_option, help_option,
                       version_option});

    if (!parser.parse(arguments)) {
        return usage_error(parser.errorText());
    }
    const QStringList words = parser.positionalArguments();
    const command_t* command = words.isEmpty() ? nullptr : find_command(words.first());
    if (!words.isEmpty() && !command) {
        return usage_error(
            QStringLiteral("no command %1 (kvtctl --help lists them)").arg(words.first()));
    }
    if (parser.isSet(help_option)) {
        print_help(parser, command);
        return {};
    }
    if (parser.isSet(version_option)) {
        print_line(QStringLiteral("kvtctl %1").arg(quillon_version).toUtf8());
        return {};
    }
    if (!command) {
        return usage_error(QStringLiteral("no command given (kvtctl --help lists them)"));
    }
    invocation_t call;
    call.units = parser.values(unit_option);
    call.all = parser.isSet(all_option);
    if (call.all && !call.units.isEmpty()) {
        return usage_error(QStringLiteral("--all takes every unit; --unit names some"));
    }
    call.json = parser.isSet(json_option);
    call.arguments = words.mid(1);
    const int count = call.arguments.size();
    if (count < command->min_arguments ||
        (command->max_arguments >= 0 && count > command->max_arguments)) {
        return usage_error(QStringLiteral("usage: ") + usage_text(command));
    }
    if (parser.isSet(timeout_option)) {
        bool number = false;
        const int ms = parser.value(timeout_option).toInt(&number);
        if (!number || ms < 1 || ms > longest_timeout_ms) {
            return usage_error(QStringLiteral("--timeout takes milliseconds from 1 to %1")
                                   .arg(longest_timeout_ms));
        }
        call.timeout_ms = ms;
    }
    call.since = parser.value(since_option);
    call.prune_before = parser.value(prune_option);
    call.routes_file = parser.value(routes_option);
    call.search.ports = ports_to_search(parser.values(port_option), call.units);
    call.search.resources = parser.values(resource_option);
    return command->run(call);
}

}  // namespace

int run_kvtctl(const QStringList& arguments) {
    const cli_status_t status = run(arguments);
    if (!status.ok()) {
        print_error(status.error);
    }
    return status.code;
}
