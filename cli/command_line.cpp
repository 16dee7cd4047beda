#include "cli/command_line.h"

#include <QCommandLineParser>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "panel/unit_discovery.h"

namespace {

const QString general_description = QStringLiteral(
    "Drives KVT switch units from a shell: over VISA when the VISA library is ready, else over "
    "the units' serial ports.\n\nCommands:\n%1\n\n"
    "Exit status: 0 done, 1 a unit failed, 2 a usage error. `kvtctl COMMAND --help` tells more.");

void print_help(QCommandLineParser& parser, const command_t* command) {
    parser.clearPositionalArguments();
    if (command) {
        parser.setApplicationDescription(QString::fromUtf8(command->details));
        parser.addPositionalArgument(QString::fromUtf8(command->name),
                                     QString::fromUtf8(command->summary),
                                     QStringLiteral("%1 %2").arg(command->name, command->syntax));
    } else {
        parser.setApplicationDescription(general_description.arg(command_summaries()));
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("One of the commands above."),
                                     QStringLiteral("COMMAND [ARGUMENT...]"));
    }
    print_line(parser.helpText().toUtf8().trimmed());
}

cli_status_t run(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption unit_option(
        {QStringLiteral("u"), QStringLiteral("unit")},
        QStringLiteral("The unit to use: serial number, VISA resource or port (default: the "
                       "first found)."),
        QStringLiteral("NAME"));
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
    // Qt's own help option would also offer help on options kvtctl does not take.
    const QCommandLineOption help_option({QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("Show this help."));
    parser.addOptions({unit_option, port_option, resource_option, json_option, help_option});

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
    if (!command) {
        return usage_error(QStringLiteral("no command given (kvtctl --help lists them)"));
    }
    invocation_t call;
    call.unit = parser.value(unit_option);
    call.json = parser.isSet(json_option);
    call.arguments = words.mid(1);
    const int count = call.arguments.size();
    if (count < command->min_arguments ||
        (command->max_arguments >= 0 && count > command->max_arguments)) {
        return usage_error(QStringLiteral("usage: kvtctl [options] %1 %2")
                               .arg(command->name, command->syntax)
                               .trimmed());
    }
    set_operator_ports(parser.values(port_option));
    set_operator_resources(parser.values(resource_option));
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
