#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "driver/unit_discovery.h"
#include "quillon_version.h"

namespace {

const char port_option[] = "port";
const char resource_option[] = "resource";

void add_options(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Control panel for KVT signal-switching units: finds the units attached over USB, shows "
        "the front panel of the one chosen, switches paths with a click and reads the switch "
        "positions back. It reaches the units through a VISA library when one loads, and over "
        "their USB serial ports otherwise.");
    parser.addHelpOption();
    parser.addVersionOption();
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
}

}  // namespace

bool asks_only_for_text(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    add_options(parser);
    // The toolkit's own options (-platform, -style, ...) fail this parse; the
    // window's application object takes them out before apply_command_line.
    return parser.parse(arguments) && (parser.isSet("help") || parser.isSet("version"));
}

unit_search_t apply_command_line(const QStringList& arguments) {
    QCoreApplication::setApplicationVersion(QString::fromLatin1(quillon_version));
    QCommandLineParser parser;
    add_options(parser);
    parser.process(arguments);
    unit_search_t search;
    search.ports = parser.values(port_option);
    search.resources = parser.values(resource_option);
    return search;
}
