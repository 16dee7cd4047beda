#include "app/command_line.h"

#include <QCommandLineParser>

#include "panel/unit_discovery.h"

void apply_command_line(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Control panel for KVT signal-switching units.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "A serial port that carries no USB identifiers, such as a unit behind an "
                      "adapter or a simulated unit's pseudo-terminal; Rescan lists it after the "
                      "units' own USB ports. May be given more than once.",
                      "PATH"});
    parser.addOption({"resource",
                      "A VISA resource of a unit on the network, such as "
                      "TCPIP0::lab-pc::KVT2024001::INSTR (served by kvt-lan); Rescan lists it "
                      "after the USB units when VISA is the link. May be given more than once.",
                      "RESOURCE"});
    parser.process(arguments);
    set_operator_ports(parser.values("port"));
    set_operator_resources(parser.values("resource"));
}
