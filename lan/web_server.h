#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

#include "lan/lan_admission.h"
#include "lan/lan_server.h"

class lan_units_t;
class web_api_t;
class web_connection_t;
class web_events_t;

// The web face's listening socket. Like the VXI-11 channels it takes each
// connection as a bare descriptor and closes it there, before one byte is
// read, when the client is outside the allowed networks or over a bound.
class web_server_t : public QObject {
public:
    // An empty token leaves the web face read-only.
    // routes_path names the routes file, read at each request about routes.
    web_server_t(QList<lan_subnet_t> allowed, lan_units_t& units, const QByteArray& token,
                 const QString& routes_path);
    ~web_server_t() override;

    // Listens, not yet taking connections.
    bool listen(const QHostAddress& address, quint16 port, QString& error);
    quint16 port() const { return listener.serverPort(); }
    // Takes connections from now on.
    void serve() { listener.resumeAccepting(); }

private:
    void accept(qintptr descriptor);
    void closed(web_connection_t* connection);

    lan_admission_t admission;
    rpc_listener_t listener;
    std::unique_ptr<web_events_t> events;
    std::unique_ptr<web_api_t> api;
    QList<web_connection_t*> connections;
};
