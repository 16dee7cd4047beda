#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>

#include "lan/lan_links.h"

using lan_subnet_t = QPair<QHostAddress, int>;

// Bound on client connections at once, each an open file.
constexpr int lan_max_connections = 64;

// The core and abort channels on one address, the core channel registered
// with the system's rpcbind. Connections from outside the allowed networks,
// or beyond the bound, are closed as soon as they are accepted.
class lan_server_t {
public:
    lan_server_t(lan_links_t& links, QList<lan_subnet_t> allowed)
        : links(links), allowed(std::move(allowed)) {}
    ~lan_server_t();
    lan_server_t(const lan_server_t&) = delete;
    lan_server_t& operator=(const lan_server_t&) = delete;

    bool start(const QHostAddress& address, QString& error);
    // Serves until quit_fd becomes readable.
    void serve(int quit_fd);

private:
    bool admitted(int fd) const;
    void track_connections();

    lan_links_t& links;
    QList<lan_subnet_t> allowed;
    int listeners[2] = {-1, -1};
    bool registered = false;
    QList<int> connections;
};

// The abort channel's port, for create_link's answer.
unsigned short lan_abort_port();
