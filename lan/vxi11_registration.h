#pragma once

#include <QHostAddress>
#include <QtGlobal>

// The core channel's entry with the host's rpcbind. rpcbind keeps one port
// per program for the whole host, whichever address a client asks it on, so
// only one VXI-11 server per host can be found through it.
class vxi11_registration_t {
public:
    vxi11_registration_t() = default;
    // Removes the entry it made.
    ~vxi11_registration_t();
    vxi11_registration_t(const vxi11_registration_t&) = delete;
    vxi11_registration_t& operator=(const vxi11_registration_t&) = delete;

    // True when rpcbind, asked on address, names a core channel and a VXI-11
    // server answers on that port: at the address the entry names, at this
    // one, or at any other address of this host.
    static bool held_elsewhere(const QHostAddress& address);
    // Enters address and port, in place of an entry that nobody answers for.
    bool take(const QHostAddress& address, quint16 port);

private:
    bool registered = false;
};
