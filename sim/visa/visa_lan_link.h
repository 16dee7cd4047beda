#pragma once

#include <QByteArray>
#include <memory>
#include <mutex>

#include "driver/visa_types.h"

struct __rpc_client;

// One VXI-11 link to a network instrument (TCPIP INSTR), over libtirpc's RPC
// client. Calls on one link take turns; each waits at most its timeout.
class visa_lan_link_t {
public:
    // Reaches host's VXI-11 server through its rpcbind and links to device,
    // locked when asked (waiting up to lock_timeout_ms for another's lock).
    static ViStatus open(const QByteArray& host, const QByteArray& device, bool lock,
                         ViUInt32 lock_timeout_ms, std::unique_ptr<visa_lan_link_t>& link);
    ~visa_lan_link_t();
    visa_lan_link_t(const visa_lan_link_t&) = delete;
    visa_lan_link_t& operator=(const visa_lan_link_t&) = delete;

    // end marks the last piece of a message.
    ViStatus write(const QByteArray& bytes, bool end, ViUInt32 timeout_ms, ViUInt32& written);
    // termchar is -1 when the termination character is off.
    ViStatus read(QByteArray& bytes, ViUInt32 count, int termchar, ViUInt32 timeout_ms);
    ViStatus clear(ViUInt32 timeout_ms);
    ViStatus lock(ViUInt32 timeout_ms);
    ViStatus unlock(ViUInt32 timeout_ms);

private:
    visa_lan_link_t(__rpc_client* client, long id, ViUInt32 max_send)
        : client(client), id(id), max_send(max_send) {}
    // Bounds the next call by timeout_ms and a margin for the network.
    void limit(ViUInt32 timeout_ms);

    std::mutex turn;
    __rpc_client* const client;
    const long id;
    const ViUInt32 max_send;
};

// Splits "TCPIP[board]::host[::device]::INSTR"; the device defaults to "inst0".
bool visa_lan_resource_parts(const QByteArray& resource, QByteArray& host, QByteArray& device);
