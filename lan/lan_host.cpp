#include "lan/lan_host.h"

#include <sys/socket.h>

QHostAddress lan_host_of(const QHostAddress& address) {
    bool mapped = false;
    const quint32 ipv4 = address.toIPv4Address(&mapped);
    const QHostAddress host = mapped ? QHostAddress(ipv4) : address;
    if (host.isLoopback()) {
        return QHostAddress(QHostAddress::LocalHost);
    }
    return host;
}

QHostAddress lan_peer_of(qintptr descriptor) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (getpeername(int(descriptor), reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return {};
    }
    return QHostAddress(reinterpret_cast<const sockaddr*>(&peer));
}
