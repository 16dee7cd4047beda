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
    parser.process(arguments);
    set_operator_ports(parser.values("port"));
}
