// kvt-lan: serves the units attached to this PC as VXI-11 instruments.
#include <signal.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QSysInfo>
#include <cstdio>
#include <memory>

#include "driver/route_book.h"
#include "driver/unit_discovery.h"
#include "lan/lan_announcer.h"
#include "lan/lan_gateway.h"
#include "lan/lan_host_lock.h"
#include "lan/lan_server.h"
#include "lan/lan_units.h"
#include "lan/vxi11_registration.h"
#include "lan/vxi11_service.h"
#include "lan/web_server.h"
#include "lan/web_token.h"
#include "quillon_version.h"
#include "tools/service_program.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kvt-lan");
    QCoreApplication::setApplicationVersion(QString::fromLatin1(quillon_version));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves every KVT unit attached to this PC as a VXI-11 instrument named by its serial\n"
        "number, TCPIP0::<host>::<serial number>::INSTR, and prints one line per unit.\n"
        "A unit whose serial number is no name, or is another unit's too, goes by '_' and\n"
        "where it was found (/dev/pts/5: _pts_5); standard error says why.\n"
        "It finds units as Quillon does: over VISA when a VISA library loads, else on the\n"
        "units' USB serial ports and the ports named with --port.\n\n"
        "VXI-11 has no authentication: anyone who may connect may drive the units. Clients\n"
        "from outside the --allow networks are disconnected as soon as they connect."));
    add_service_options(parser);
    parser.addOption({"listen", "Address to serve on (default 127.0.0.1).", "address"});
    parser.addOption({"allow",
                      "Network whose clients are served, as address/prefix, e.g. 192.168.1.0/24; "
                      "repeatable (default: 127.0.0.0/8 only).",
                      "cidr"});
    parser.addOption({"port", "Serial port to search besides the units' own; repeatable.", "path"});
    parser.addOption({"http",
                      "TCP port of the web face (REST API and events) on the --listen address, "
                      "under the same --allow and bounds (default 8080; 0 turns it off).",
                      "port"});
    parser.addOption({"routes",
                      "Routes file the web face lists and applies (default "
                      "$XDG_CONFIG_HOME/quillon/routes.json).",
                      "file"});
    parser.addOption({"token-file",
                      "File whose one line is the token web writes must bear; only its owner may "
                      "read it. Without it the web face is read-only.",
                      "file"});
    QString error;
    if (!parse_service_arguments(parser, error)) {
        return service_fail(error, exit_usage);
    }

    const QHostAddress listen(parser.isSet("listen") ? parser.value("listen")
                                                     : QStringLiteral("127.0.0.1"));
    if (listen.protocol() != QAbstractSocket::IPv4Protocol) {
        return service_fail(QStringLiteral("--listen takes an IPv4 address, not \"%1\"")
                                .arg(parser.value("listen")),
                            exit_usage);
    }
    QList<lan_subnet_t> allowed;
    const QStringList networks =
        parser.isSet("allow") ? parser.values("allow") : QStringList{"127.0.0.0/8"};
    for (const QString& network : networks) {
        const lan_subnet_t subnet = QHostAddress::parseSubnet(network);
        if (subnet.second < 0 || subnet.first.protocol() != QAbstractSocket::IPv4Protocol) {
            return service_fail(
                QStringLiteral("--allow takes an IPv4 network such as 10.0.0.0/8, not "
                               "\"%1\"")
                    .arg(network),
                exit_usage);
        }
        allowed.append(subnet);
    }
    bool port_ok = false;
    const uint http_port = parser.isSet("http") ? parser.value("http").toUInt(&port_ok) : 8080;
    if ((parser.isSet("http") && !port_ok) || http_port > 65535) {
        return service_fail(
            QStringLiteral("--http takes a TCP port, not \"%1\"").arg(parser.value("http")),
            exit_usage);
    }
    QByteArray token;
    if (parser.isSet("token-file") && !load_web_token(parser.value("token-file"), token, error)) {
        return service_fail(error, exit_usage);
    }
    // A client that goes away while its reply is written costs a failed
    // write, not the process.
    signal(SIGPIPE, SIG_IGN);
    if (!quit_on_signals()) {
        return service_fail(QStringLiteral("cannot watch for signals"), exit_failed);
    }

    unit_search_t search;
    search.ports = parser.values("port");
    // A port named twice is one port, not two units at one place.
    search.ports.removeDuplicates();
    lan_units_t units(search, [](const QString& line) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(line));
        std::fflush(stderr);
    });
    vxi11_service_t service(units);
    lan_server_t server(allowed, service);
    if (!server.listen(listen, error)) {
        return service_fail(error, exit_failed);
    }
    const QString held =
        QStringLiteral("another VXI-11 server is registered with rpcbind on this host");
    // Taken before rpcbind is read, so that of two servers started together
    // the second finds the first.
    lan_host_lock_t host_lock;
    if (!host_lock.take()) {
        return service_fail(QStringLiteral("another kvt-lan serves on this host"), exit_failed);
    }
    if (vxi11_registration_t::held_elsewhere(listen)) {
        return service_fail(held, exit_failed);
    }
    std::unique_ptr<web_server_t> web;
    if (http_port != 0) {
        web.reset(new web_server_t(
            allowed, units, token,
            parser.isSet("routes") ? parser.value("routes") : default_routes_path()));
        if (!web->listen(listen, quint16(http_port), error)) {
            return service_fail(error, exit_failed);
        }
    }
    QEventLoop identifying;
    units.search([&identifying] { identifying.quit(); });
    identifying.exec();
    vxi11_registration_t registration;
    const vxi11_taken_t taken = registration.take(listen, server.core_port());
    if (taken == vxi11_taken_t::held_elsewhere) {
        return service_fail(held, exit_failed);
    }
    if (taken != vxi11_taken_t::taken) {
        return service_fail(QStringLiteral("cannot register with rpcbind (is it running?)"),
                            exit_failed);
    }
    server.serve();
    for (const QByteArray& name : units.names()) {
        std::printf("%s TCPIP0::%s::%s::INSTR\n", name.constData(), qPrintable(listen.toString()),
                    name.constData());
    }
    if (web) {
        web->serve();
        std::printf("web http://%s:%u/\n", qPrintable(listen.toString()), unsigned(web->port()));
    }
    std::fflush(stdout);
    // LXI's services are announced on the web face's port; without one, none.
    const quint16 web_port = web ? web->port() : quint16(0);
    lan_announcer_t announcer(
        lan_announcement(listen, web_port, lan_identity(QSysInfo::machineHostName())),
        [](const QString& line) {
            std::fprintf(stderr, "kvt-lan: %s\n", qPrintable(line));
            std::fflush(stderr);
        });
    return app.exec();
}
