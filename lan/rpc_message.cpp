#include "lan/rpc_message.h"

#include "lan/lan_limits.h"
#include "lan/rpc_record.h"

namespace {

constexpr quint32 rpc_version = 2;
// Both of kvt-lan's programs are in version 1 alone.
constexpr quint32 program_version = 1;

// The reply encoded, or a system error when it does not fit a record.
QByteArray encoded(rpc_msg& reply) {
    QByteArray body(lan_max_record, '\0');
    XDR stream;
    xdrmem_create(&stream, body.data(), u_int(body.size()), XDR_ENCODE);
    bool fits = xdr_replymsg(&stream, &reply);
    if (!fits && reply.rm_reply.rp_stat == MSG_ACCEPTED) {
        reply.acpted_rply.ar_stat = SYSTEM_ERR;
        xdr_setpos(&stream, 0);
        fits = xdr_replymsg(&stream, &reply);
    }
    body.resize(fits ? int(xdr_getpos(&stream)) : 0);
    xdr_destroy(&stream);
    return fits ? rpc_record(body) : QByteArray();
}

rpc_msg accepted(quint32 xid, accept_stat status) {
    rpc_msg reply{};
    reply.rm_xid = xid;
    reply.rm_direction = REPLY;
    reply.rm_reply.rp_stat = MSG_ACCEPTED;
    reply.acpted_rply.ar_verf = _null_auth;
    reply.acpted_rply.ar_stat = status;
    return reply;
}

quint32 word_at(const QByteArray& bytes, int at) {
    quint32 word = 0;
    for (int i = at; i < at + 4; ++i) {
        word = word << 8 | quint8(bytes[i]);
    }
    return word;
}

}  // namespace

xdrproc_t rpc_xdr_nothing() {
    // Through the one function type that converts to any other without complaint.
    return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void));
}

rpc_call_reader_t::rpc_call_reader_t(QByteArray record) : record(std::move(record)) {
    xdrmem_create(&stream, this->record.data(), u_int(this->record.size()), XDR_DECODE);
}

rpc_call_reader_t::~rpc_call_reader_t() {
    xdr_destroy(&stream);
}

bool rpc_call_reader_t::header(rpc_call_t& call, bool& rpc_version_2) {
    // libtirpc refuses another RPC version without saying which it was, so
    // the three words that tell are read here: xid, CALL, version.
    if (record.size() < 12 || word_at(record, 4) != CALL) {
        return false;
    }
    call.xid = word_at(record, 0);
    rpc_version_2 = word_at(record, 8) == rpc_version;
    if (!rpc_version_2) {
        return true;
    }
    rpc_msg message{};
    message.rm_call.cb_cred.oa_base = credentials;
    message.rm_call.cb_verf.oa_base = verifier;
    if (!xdr_callmsg(&stream, &message)) {
        return false;
    }
    call.program = quint32(message.rm_call.cb_prog);
    call.version = quint32(message.rm_call.cb_vers);
    call.procedure = quint32(message.rm_call.cb_proc);
    return true;
}

bool rpc_call_reader_t::arguments(xdrproc_t decode, void* arguments) {
    return decode(&stream, arguments) != 0;
}

QByteArray rpc_result_reply(quint32 xid, xdrproc_t encode, const void* result) {
    rpc_msg reply = accepted(xid, SUCCESS);
    reply.acpted_rply.ar_results.where = static_cast<caddr_t>(const_cast<void*>(result));
    reply.acpted_rply.ar_results.proc = encode;
    return encoded(reply);
}

QByteArray rpc_refusal_reply(quint32 xid, rpc_refusal_t refusal) {
    rpc_msg reply{};
    switch (refusal) {
        case rpc_refusal_t::rpc_version:
            reply.rm_xid = xid;
            reply.rm_direction = REPLY;
            reply.rm_reply.rp_stat = MSG_DENIED;
            reply.rjcted_rply.rj_stat = RPC_MISMATCH;
            reply.rjcted_rply.rj_vers.low = rpc_version;
            reply.rjcted_rply.rj_vers.high = rpc_version;
            break;
        case rpc_refusal_t::program:
            reply = accepted(xid, PROG_UNAVAIL);
            break;
        case rpc_refusal_t::program_version:
            reply = accepted(xid, PROG_MISMATCH);
            reply.acpted_rply.ar_vers.low = program_version;
            reply.acpted_rply.ar_vers.high = program_version;
            break;
        case rpc_refusal_t::procedure:
            reply = accepted(xid, PROC_UNAVAIL);
            break;
        case rpc_refusal_t::garbage_arguments:
            reply = accepted(xid, GARBAGE_ARGS);
            break;
    }
    return encoded(reply);
}
