// kvt-sim: serves simulated KVT units over pseudo-terminals.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <memory>
#include <vector>

#include "quillon_version.h"
#include "sim/kvt_sim_options.h"
#include "sim/pty_server.h"
#include "sim/sim_config.h"
#include "sim/sim_unit.h"
#include "sim/wire_log.h"
#include "tools/service_program.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kvt-sim");
    QCoreApplication::setApplicationVersion(QString::fromLatin1(quillon_version));
    QCommandLineParser parser;
    kvt_sim_add_options(parser);
    QString error;
    if (!parse_service_arguments(parser, error)) {
        return service_fail(error, exit_usage);
    }

    QString text;
    QVector<sim_unit_config_t> configs;
    if (!kvt_sim_units_text(parser, text, error) || !sim_parse_units(text, configs, error)) {
        return service_fail(error, exit_usage);
    }
    if (!quit_on_signals()) {
        return service_fail(QStringLiteral("cannot watch for signals"), exit_failed);
    }

    // Servers go before the units they call into.
    std::vector<std::unique_ptr<sim_unit_t>> units;
    std::vector<std::unique_ptr<pty_server_t>> servers;
    for (const sim_unit_config_t& config : configs) {
        units.push_back(std::make_unique<sim_unit_t>(config));
        sim_unit_t* unit = units.back().get();
        unit_handler_t handler = [unit](const QByteArray& command) {
            return unit->handle(command);
        };
        if (parser.isSet("verbose")) {
            handler = logged_handler(config.serial_number, handler);
        }
        servers.push_back(
            std::make_unique<pty_server_t>(handler, [unit] { return !unit->vanished(); }));
        if (!servers.back()->is_open()) {
            return service_fail(QStringLiteral("cannot open a pseudo-terminal"), exit_failed);
        }
        std::printf("%s %s %s\n", sim_model_name(config.model), config.serial_number.constData(),
                    qPrintable(servers.back()->port_name()));
    }
    std::fflush(stdout);
    return app.exec();
}
