#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <functional>

#include "lan/lan_links.h"
#include "lan/lan_waits.h"
#include "lan/rpc_connection.h"
#include "vxi11.h"

class lan_units_t;

// A call being served: where its answer goes, who made it, and where that
// client finds the abort channel.
struct lan_call_t {
    rpc_reply_t reply;
    quint64 connection;
    QHostAddress host;
    quint16 abort_port;
};

// What the VXI-11 calls do, on the server's thread. A call that needs its
// unit, or another link's lock, waits without holding up anyone else: it is
// answered when the unit's worker reports or the lock goes. Each call is
// answered exactly once, unless its connection closes first.
class vxi11_service_t {
public:
    explicit vxi11_service_t(lan_units_t& units);

    void on_create_link(const lan_call_t& call, const Create_LinkParms& parms);
    void on_write(const lan_call_t& call, const Device_WriteParms& parms);
    void on_read(const lan_call_t& call, const Device_ReadParms& parms);
    void on_clear(const lan_call_t& call, const Device_GenericParms& parms);
    void on_lock(const lan_call_t& call, const Device_LockParms& parms);
    void on_unlock(const lan_call_t& call, Device_Link id);
    void on_destroy_link(const lan_call_t& call, Device_Link id);
    // The abort channel: ends what the link waits for, asked from its host.
    void on_abort(const lan_call_t& call, Device_Link id);
    // The connection has closed: its calls are dropped, its links destroyed.
    void drop_connection(quint64 connection);

private:
    using step_t = std::function<void(int error)>;
    // Goes on once no other link holds the unit's lock: at once, or, when the
    // call may wait, when the lock goes or the time is up.
    void wait_for_lock(const lan_call_t& call, int id, const QByteArray& unit, bool wait,
                       u_long lock_timeout, step_t next);
    // The same for a call on an existing link.
    void with_unit(const lan_call_t& call, int id, Device_Flags flags, u_long lock_timeout,
                   step_t next);
    // Sends the link's message to its unit; next once its answer is in.
    void send_message(const lan_call_t& call, int id, u_long io_timeout, step_t next);
    // Links to unit, once no other link holds its lock when lock is asked.
    void link_to(const lan_call_t& call, const QByteArray& unit, const QByteArray& serial_number,
                 bool lock, u_long lock_timeout);
    void make_link(const lan_call_t& call, const QByteArray& unit, const QByteArray& serial_number,
                   bool lock);
    // The unit's lock has gone: the calls waiting for it go on.
    void unlocked(const QByteArray& unit);

    lan_units_t& units;
    lan_links_t links;
    lan_waits_t waits;
    // What inst0 answers *IDN?.
    QByteArray identity;
};
