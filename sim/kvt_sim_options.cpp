#include "sim/kvt_sim_options.h"

#include "sim/pty_server.h"
#include "sim/sim_config.h"
#include "tools/service_program.h"

namespace {

const char units_option[] = "units";

// Options that describe one unit, and the key each becomes in the unit text.
struct unit_option_t {
    const char* name;
    const char* key;
    const char* value;
    const char* help;
};
constexpr unit_option_t unit_options[] = {
    {"serial", "sn", "text", "Serial number (default KVT2024001)."},
    {"software-version", "sv", "text", "Software version (default 1.0.0)."},
    {"product", "pn", "number", "Product number (29 for KVT0206Q, default 17 for KVT0402Q)."},
    {"upgrade-id", "id", "a/b/c/d", "Answer of UPGRADE:ID? (default 700/0/0/1)."},
    {"restart-ms", "restart", "ms", "Time offline after REBOOT (default 300)."},
    {"faults", "faults", "list",
     "Faults joined by '+': silent, delay:MS, split:MS, garbage, overlong, never-ready, "
     "never-back, swapped, crlf, no-lf, ready-crlf, fail:COMMAND, stuck:SWITCH, vanish:COUNT."},
};

}  // namespace

void kvt_sim_add_options(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral(
            "Serves simulated KVT switch units over pseudo-terminals and prints one line per "
            "unit:\n"
            "model, serial number and the port to open.\n\n"
            "A command carries no terminator: the bytes that arrive until the line has been quiet\n"
            "for %1 ms make up one command, so a client must pause at least that long between\n"
            "commands. Every answer is one line ending in a line feed.\n\n"
            "Without options it serves one KVT0402Q and one KVT0206Q. --units gives any list;\n"
            "the other unit options describe a single unit of --model.\n\n"
            "Exit status: 0 when ended by SIGINT or SIGTERM, 1 when it cannot serve, 2 on a "
            "usage error.")
            .arg(pty_server_t::command_gap_ms));
    add_service_options(parser);
    parser.addOption({units_option,
                      "Units to serve, e.g. \"KVT0402Q,sn=KVT2024001;KVT0206Q,faults=delay:150\"; "
                      "keys sn, sv, pn, id, restart, mode (app|boot), faults.",
                      "list"});
    parser.addOption(
        {{"m", "model"}, "Model of the single unit: KVT0402Q (default) or KVT0206Q.", "name"});
    for (const unit_option_t& option : unit_options) {
        parser.addOption({option.name, option.help, option.value});
    }
    parser.addOption({"bootloader", "Start the single unit in its bootloader."});
    parser.addOption({{"v", "verbose"}, "Log every command and answer to standard error."});
}

bool kvt_sim_units_text(const QCommandLineParser& parser, QString& text, QString& error) {
    QString unit =
        parser.value("model").isEmpty() ? QStringLiteral("KVT0402Q") : parser.value("model");
    bool single = parser.isSet("model");
    for (const unit_option_t& option : unit_options) {
        if (!parser.isSet(option.name)) {
            continue;
        }
        const QString value = parser.value(option.name);
        if (value.contains(',') || value.contains(';')) {
            error = QStringLiteral("--%1 may not contain ',' or ';'").arg(option.name);
            return false;
        }
        unit += QStringLiteral(",%1=%2").arg(option.key, value);
        single = true;
    }
    if (parser.isSet("bootloader")) {
        unit += QStringLiteral(",mode=boot");
        single = true;
    }
    if (single && parser.isSet(units_option)) {
        error = QStringLiteral("--units cannot be combined with single-unit options");
        return false;
    }
    text = parser.isSet(units_option) ? parser.value(units_option)
           : single                   ? unit
                                      : sim_default_units_text();
    return true;
}
