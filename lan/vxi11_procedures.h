#pragma once

#include <QByteArray>
#include <QtGlobal>

class rpc_connection_t;
class vxi11_service_t;
struct vxi11_program_t;

// The two channels' procedures, each with the XDR routines of its arguments
// and its result.
extern const vxi11_program_t vxi11_core_channel;
extern const vxi11_program_t vxi11_abort_channel;

// Decodes a call record of the channel's program and hands it to the
// service, or answers it with the RPC error that fits; a record that is no
// call closes the connection. The client reaches the abort channel on
// abort_port.
void vxi11_dispatch(const vxi11_program_t& program, vxi11_service_t& service,
                    rpc_connection_t& connection, QByteArray record, quint64 number,
                    quint16 abort_port);
