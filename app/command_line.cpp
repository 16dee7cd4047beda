#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <memory>

#include "quillon_version.h"

namespace {

const char port_option[] = "port";
const char resource_option[] = "resource";

// The options QGuiApplication and QApplication take out of the arguments,
// as their documentation lists them, and whether each takes a value.
constexpr struct {
    const char* name;
    bool value;
} toolkit_options[] = {
    {"platform", true},      {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},
    {"qmljsdebugger", true}, {"qwindowgeometry", true},
    {"qwindowicon", true},   {"qwindowtitle", true},
    {"reverse", false},      {"session", true},
    {"display", true},       {"geometry", true},
    {"style", true},         {"stylesheet", true},
    {"widgetcount", false},
};

void add_options(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Control panel for KVT signal-switching units: finds the units attached over USB, shows "
        "the front panel of the one chosen, switches paths with a click and reads the switch "
        "positions back. It reaches the units through a VISA library when one loads, and over "
        "their USB serial ports otherwise.");
    // Qt's own would also offer --help-all, and take -v, which is verbose in kvt-sim.
    parser.addOption({{"h", "help"}, "Show this help."});
    parser.addOption({"version", "Show the version."});
    parser.addOption({port_option,
                      "A serial port that carries no USB identifiers, such as a unit behind an "
                      "adapter or a simulated unit's pseudo-terminal; Rescan lists it after the "
                      "units' own USB ports. May be given more than once.",
                      "PATH"});
    parser.addOption({resource_option,
                      "A VISA resource of a unit on the network, such as "
                      "TCPIP0::lab-pc::KVT2024001::INSTR (served by kvt-lan); Rescan lists it "
                      "after the USB units when VISA is the link. May be given more than once.",
                      "RESOURCE"});
    for (const auto& option : toolkit_options) {
        QCommandLineOption toolkit(QString::fromLatin1(option.name), QString(),
                                   option.value ? QStringLiteral("value") : QString());
        toolkit.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(toolkit);
    }
}

}  // namespace

command_line_t read_command_line(const QStringList& arguments) {
    QCommandLineParser parser;
    // As the toolkit writes its own: -platform is one option, not eight letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    add_options(parser);
    command_line_t line;
    if (!parser.parse(arguments)) {
        line.action = command_line_t::usage_error;
        line.text = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        line.action = command_line_t::usage_error;
        line.text =
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments()[0]);
    } else if (parser.isSet("help")) {
        line.action = command_line_t::print_text;
        // Qt 5 takes the program's name for its help from the application
        // object, which the window's start has not made yet.
        static int text_argc = 1;
        static char text_name[] = "quillon";
        static char* text_argv[] = {text_name, nullptr};
        std::unique_ptr<QCoreApplication> text_only;
        if (QCoreApplication::instance() == nullptr) {
            text_only = std::make_unique<QCoreApplication>(text_argc, text_argv);
        }
        // Qt's usage line names the program by the path it was started with.
        const QString text = parser.helpText();
        line.text = QStringLiteral("Usage: quillon [options]") + text.mid(text.indexOf('\n'));
    } else if (parser.isSet("version")) {
        line.action = command_line_t::print_text;
        line.text = QStringLiteral("quillon %1\n").arg(QLatin1String(quillon_version));
    }
    line.search.ports = parser.values(port_option);
    line.search.resources = parser.values(resource_option);
    return line;
}
