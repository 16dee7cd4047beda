#pragma once

#include <QHostAddress>
#include <QPair>
#include <QtGlobal>

// How taking the registration went.
enum class vxi11_taken_t { taken, held_elsewhere, failed };

// The core channel's entry with the host's rpcbind. rpcbind keeps one port
// per program for the whole host, whichever address a client asks it on, so
// only one VXI-11 server per host can be found through it.
class vxi11_registration_t {
public:
    vxi11_registration_t() = default;
    // Removes the entry it made, if rpcbind still lists it.
    ~vxi11_registration_t();
    vxi11_registration_t(const vxi11_registration_t&) = delete;
    vxi11_registration_t& operator=(const vxi11_registration_t&) = delete;

    // True when rpcbind, asked on address, names a core channel and a VXI-11
    // server answers on that port: at the address the entry names, at this
    // one, or at any other address of this host.
    static bool held_elsewhere(const QHostAddress& address);
    // Enters address and port: when no entry is there, or in place of one
    // that nobody answers for.
    vxi11_taken_t take(const QHostAddress& address, quint16 port);

private:
    bool registered = false;
    // The address and port entered.
    QPair<QHostAddress, quint16> own;
};
