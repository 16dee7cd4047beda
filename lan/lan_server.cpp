#include "lan/lan_server.h"

#include <unistd.h>

#include "lan/lan_host.h"
#include "lan/rpc_connection.h"
#include "lan/vxi11_procedures.h"
#include "lan/vxi11_service.h"

lan_server_t::lan_server_t(QList<lan_subnet_t> allowed, vxi11_service_t& service)
    : admission(std::move(allowed)), service(service) {
    core.accepted = [this](qintptr descriptor) { accept(descriptor, vxi11_core_channel); };
    abort.accepted = [this](qintptr descriptor) { accept(descriptor, vxi11_abort_channel); };
}

lan_server_t::~lan_server_t() {
    while (!connections.isEmpty()) {
        connections.first()->close();
    }
}

bool lan_server_t::listen(const QHostAddress& address, QString& error) {
    for (rpc_listener_t* listener : {&core, &abort}) {
        if (!listener->listen(address)) {
            error = QStringLiteral("cannot listen on %1: %2")
                        .arg(address.toString(), listener->errorString());
            return false;
        }
        listener->pauseAccepting();
    }
    return true;
}

void lan_server_t::serve() {
    core.resumeAccepting();
    abort.resumeAccepting();
}

void lan_server_t::accept(qintptr descriptor, const vxi11_program_t& program) {
    const QHostAddress peer = lan_peer_of(descriptor);
    if (peer.isNull() || !admission.admit(peer)) {
        ::close(int(descriptor));
        return;
    }
    auto* connection = new rpc_connection_t(
        descriptor, next_connection++, peer,
        [this, &program](rpc_connection_t& on, QByteArray record, quint64 number) {
            vxi11_dispatch(program, service, on, std::move(record), number, abort_port());
        },
        this);
    connections.append(connection);
    connect(connection, &rpc_connection_t::closed, this, &lan_server_t::closed);
}

void lan_server_t::closed(rpc_connection_t* connection) {
    connections.removeOne(connection);
    admission.release(connection->peer());
    service.drop_connection(connection->id());
    connection->deleteLater();
}
