#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPair>

using lan_subnet_t = QPair<QHostAddress, int>;

// Who may connect: a client from the allowed networks, while the server has
// room for another connection and its host has not used up its share.
class lan_admission_t {
public:
    explicit lan_admission_t(QList<lan_subnet_t> allowed) : allowed(std::move(allowed)) {}

    // True, and the connection counted, when a client at this address may
    // connect now; its host is counted as lan_host_of tells it.
    bool admit(const QHostAddress& address);
    // An admitted connection from this address has closed.
    void release(const QHostAddress& address);

private:
    QList<lan_subnet_t> allowed;
    QHash<QHostAddress, int> per_host;
    int total = 0;
};
