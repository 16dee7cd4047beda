#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <functional>

#include "lan/lan_admission.h"

class rpc_connection_t;
class vxi11_service_t;
struct vxi11_program_t;

// A listening socket that hands each accepted connection on as a bare
// descriptor, before anything has been read from it.
class rpc_listener_t : public QTcpServer {
public:
    std::function<void(qintptr descriptor)> accepted;

protected:
    void incomingConnection(qintptr descriptor) override { accepted(descriptor); }
};

// The core and abort channels on one address. A connection from outside the
// allowed networks, or beyond the bounds, is closed as it is accepted: not
// one byte of it is read.
class lan_server_t : public QObject {
public:
    lan_server_t(QList<lan_subnet_t> allowed, vxi11_service_t& service);
    // Closes every connection, so the service lets go of their links.
    ~lan_server_t() override;

    // Listens, not yet taking connections.
    bool listen(const QHostAddress& address, QString& error);
    quint16 core_port() const { return core.serverPort(); }
    quint16 abort_port() const { return abort.serverPort(); }
    // Takes connections from now on.
    void serve();

private:
    void accept(qintptr descriptor, const vxi11_program_t& program);
    void closed(rpc_connection_t* connection);

    lan_admission_t admission;
    rpc_listener_t core;
    rpc_listener_t abort;
    vxi11_service_t& service;
    QList<rpc_connection_t*> connections;
    quint64 next_connection = 1;
};
