#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>

// What kvt-lan announces over mDNS/DNS-SD: _vxi-11._tcp on rpcbind's port,
// and, with a web port, _lxi._tcp and _http._tcp on it.
struct lan_announcement_t {
    // The instance name; Avahi's daemon has another picked on a collision.
    QByteArray name;
    // The network interface's index, -1 for every interface.
    int interface = -1;
    // 0: no web face, so neither _lxi._tcp nor _http._tcp.
    quint16 web_port = 0;
    // _lxi._tcp's TXT records, each "key=value".
    QList<QByteArray> lxi_text;
};

// Announced on the interface that has the address kvt-lan listens on, on
// every interface when it listens on all; identity is lan_identity's.
lan_announcement_t lan_announcement(const QHostAddress& listen, quint16 web_port,
                                    const QByteArray& identity);
