#include "lan/web_server.h"

#include <unistd.h>

#include "lan/lan_host.h"
#include "lan/web_api.h"
#include "lan/web_connection.h"
#include "lan/web_events.h"

web_server_t::web_server_t(QList<lan_subnet_t> allowed, lan_units_t& units, const QByteArray& token,
                           const QString& routes_path)
    : admission(std::move(allowed)),
      events(new web_events_t(units)),
      api(new web_api_t(units, *events, token, routes_path)) {
    listener.accepted = [this](qintptr descriptor) { accept(descriptor); };
}

web_server_t::~web_server_t() {
    while (!connections.isEmpty()) {
        connections.first()->close();
    }
}

bool web_server_t::listen(const QHostAddress& address, quint16 port, QString& error) {
    if (!listener.listen(address, port)) {
        error = QStringLiteral("cannot serve the web face on %1 port %2: %3")
                    .arg(address.toString())
                    .arg(port)
                    .arg(listener.errorString());
        return false;
    }
    listener.pauseAccepting();
    return true;
}

void web_server_t::accept(qintptr descriptor) {
    const QHostAddress peer = lan_peer_of(descriptor);
    if (peer.isNull() || !admission.admit(peer)) {
        ::close(int(descriptor));
        return;
    }
    auto* connection = new web_connection_t(
        descriptor, peer,
        [this](web_connection_t& on, const web_request_t& request) { api->handle(on, request); },
        this);
    connection->closed = [this](web_connection_t* gone) { closed(gone); };
    connections.append(connection);
}

void web_server_t::closed(web_connection_t* connection) {
    connections.removeOne(connection);
    events->remove(connection);
    admission.release(connection->peer());
    connection->deleteLater();
}
