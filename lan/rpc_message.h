#pragma once

#include <rpc/rpc.h>

#include <QByteArray>
#include <QtGlobal>

// ONC RPC calls and replies (RFC 5531), through libtirpc's XDR.

struct rpc_call_t {
    quint32 xid = 0;
    quint32 program = 0;
    quint32 version = 0;
    quint32 procedure = 0;
};

// Why a call is answered without running it.
enum class rpc_refusal_t {
    rpc_version,       // not RPC version 2
    program,           // no such program on this port
    program_version,   // the program in another version than 1
    procedure,         // no such procedure
    garbage_arguments  // the arguments do not decode
};

// One call record: its header, then its arguments, decoded in place. Every
// length in it is checked against the record before anything is taken.
class rpc_call_reader_t {
public:
    explicit rpc_call_reader_t(QByteArray record);
    ~rpc_call_reader_t();
    rpc_call_reader_t(const rpc_call_reader_t&) = delete;
    rpc_call_reader_t& operator=(const rpc_call_reader_t&) = delete;

    // False when the record is no call; a call of another RPC version is a
    // call here, refused with rpc_version.
    bool header(rpc_call_t& call, bool& rpc_version_2);
    // Decodes what follows the header; false when it does not decode.
    // Whatever was decoded is the caller's to free with xdr_free, either way.
    bool arguments(xdrproc_t decode, void* arguments);

private:
    QByteArray record;
    XDR stream;
    char credentials[MAX_AUTH_BYTES] = {};
    char verifier[MAX_AUTH_BYTES] = {};
};

// xdr_void as the routine type calls take; it takes no arguments of its own.
xdrproc_t rpc_xdr_nothing();

// Records (record marking included) answering the call: its result, or a refusal.
QByteArray rpc_result_reply(quint32 xid, xdrproc_t encode, const void* result);
QByteArray rpc_refusal_reply(quint32 xid, rpc_refusal_t refusal);
