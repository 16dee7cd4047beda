#include "lan/lan_host.h"

QHostAddress lan_host_of(const QHostAddress& address) {
    bool mapped = false;
    const quint32 ipv4 = address.toIPv4Address(&mapped);
    const QHostAddress host = mapped ? QHostAddress(ipv4) : address;
    if (host.isLoopback()) {
        return QHostAddress(QHostAddress::LocalHost);
    }
    return host;
}
