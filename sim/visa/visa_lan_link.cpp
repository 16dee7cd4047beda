#include "sim/visa/visa_lan_link.h"

#include <rpc/rpc.h>
#include <string.h>

#include <QList>
#include <algorithm>

#include "sim/visa/visa_settings.h"
#include "sim/visa/visa_statuses.h"
#include "vxi11.h"

namespace {

// Longest wait for the server to accept the connection and answer rpcbind.
constexpr int connect_s = 5;
// Added to every call's own timeout for the network and the server's turn.
constexpr ViUInt32 network_margin_ms = 1000;

constexpr long flag_wait_lock = 1;
constexpr long flag_end = 8;
constexpr long flag_term_char_set = 128;
constexpr long reason_request_count = 1;
constexpr long reason_term_char = 2;
constexpr long reason_end = 4;

// VXI-11 error codes as VISA statuses.
ViStatus status_of(long error) {
    switch (error) {
        case 0:
            return VI_SUCCESS;
        case 3:
            return VI_ERROR_RSRC_NFOUND;
        case 11:
            return VI_ERROR_RSRC_LOCKED;
        case 12:
            return VI_ERROR_SESN_NLOCKED;
        case 15:
            return VI_ERROR_TMO;
        case 4:
        case 8:
            return VI_ERROR_NSUP_OPER;
        default:
            return VI_ERROR_IO;
    }
}

// A call that timed out may still be answered; any other failure means the
// connection, and with it the link, is gone.
ViStatus call_status(clnt_stat status) {
    return status == RPC_SUCCESS    ? VI_SUCCESS
           : status == RPC_TIMEDOUT ? VI_ERROR_TMO
                                    : VI_ERROR_CONN_LOST;
}

// The outcome of a call whose answer is a bare VXI-11 error code.
template <typename Parms>
ViStatus error_answer(clnt_stat (*call)(Parms*, Device_Error*, CLIENT*), Parms* parms,
                      CLIENT* client) {
    Device_Error resp{};
    const ViStatus status = call_status(call(parms, &resp, client));
    return status == VI_SUCCESS ? status_of(resp.error) : status;
}

}  // namespace

bool visa_lan_resource_parts(const QByteArray& resource, QByteArray& host, QByteArray& device) {
    QList<QByteArray> fields = resource.split(':');
    fields.removeAll(QByteArray());
    if (fields.size() < 3 || fields.size() > 4 || !fields.first().toUpper().startsWith("TCPIP") ||
        fields.last().toUpper() != "INSTR") {
        return false;
    }
    host = fields[1];
    device = fields.size() == 4 ? fields[2] : QByteArray("inst0");
    return true;
}

ViStatus visa_lan_link_t::open(const QByteArray& host, const QByteArray& device, bool lock,
                               ViUInt32 lock_timeout_ms, std::unique_ptr<visa_lan_link_t>& link) {
    timeval wait{connect_s, 0};
    CLIENT* client =
        clnt_create_timed(host.constData(), DEVICE_CORE, DEVICE_CORE_VERSION, "tcp", &wait);
    if (client == nullptr) {
        return VI_ERROR_RSRC_NFOUND;
    }
    Create_LinkParms parms{};
    parms.lockDevice = lock;
    parms.lock_timeout = lock_timeout_ms;
    QByteArray name = device;
    parms.device = name.data();
    Create_LinkResp resp{};
    timeval limit{long((lock_timeout_ms + network_margin_ms) / 1000),
                  long((lock_timeout_ms + network_margin_ms) % 1000) * 1000};
    clnt_control(client, CLSET_TIMEOUT, reinterpret_cast<char*>(&limit));
    ViStatus status = call_status(create_link_1(&parms, &resp, client));
    if (status == VI_SUCCESS) {
        status = status_of(resp.error);
    }
    if (status != VI_SUCCESS) {
        clnt_destroy(client);
        return status == VI_ERROR_CONN_LOST || status == VI_ERROR_IO ? VI_ERROR_RSRC_NFOUND
                                                                     : status;
    }
    // A write's data can be no longer than vxi11.x lets it be encoded.
    link.reset(new visa_lan_link_t(
        client, resp.lid, std::clamp<ViUInt32>(resp.maxRecvSize, 1, ViUInt32(VXI11_ARGUMENT_MAX))));
    return VI_SUCCESS;
}

visa_lan_link_t::~visa_lan_link_t() {
    Device_Link link = id;
    Device_Error resp{};
    limit(0);
    destroy_link_1(&link, &resp, client);
    clnt_destroy(client);
}

void visa_lan_link_t::limit(ViUInt32 timeout_ms) {
    const ViUInt32 total = std::min(timeout_ms, visa_longest_timeout_ms) + network_margin_ms;
    timeval wait{long(total / 1000), long(total % 1000) * 1000};
    clnt_control(client, CLSET_TIMEOUT, reinterpret_cast<char*>(&wait));
}

ViStatus visa_lan_link_t::write(const QByteArray& bytes, bool end, ViUInt32 timeout_ms,
                                ViUInt32& written) {
    std::lock_guard<std::mutex> hold(turn);
    written = 0;
    do {
        const int size = int(std::min<ViUInt32>(max_send, ViUInt32(bytes.size()) - written));
        const bool last = written + ViUInt32(size) == ViUInt32(bytes.size());
        Device_WriteParms parms{};
        parms.lid = id;
        parms.io_timeout = timeout_ms;
        parms.flags = last && end ? flag_end : 0;
        parms.data.data_len = u_int(size);
        parms.data.data_val = const_cast<char*>(bytes.constData()) + written;
        Device_WriteResp resp{};
        limit(timeout_ms);
        ViStatus status = call_status(device_write_1(&parms, &resp, client));
        if (status == VI_SUCCESS) {
            status = status_of(resp.error);
        }
        if (status != VI_SUCCESS) {
            return status;
        }
        written += std::min<ViUInt32>(resp.size, ViUInt32(size));
    } while (written < ViUInt32(bytes.size()));
    return VI_SUCCESS;
}

ViStatus visa_lan_link_t::read(QByteArray& bytes, ViUInt32 count, int termchar,
                               ViUInt32 timeout_ms) {
    std::lock_guard<std::mutex> hold(turn);
    bytes.clear();
    long reason = 0;
    while (ViUInt32(bytes.size()) < count && !(reason & (reason_end | reason_term_char))) {
        Device_ReadParms parms{};
        parms.lid = id;
        parms.requestSize = count - ViUInt32(bytes.size());
        parms.io_timeout = timeout_ms;
        parms.flags = termchar >= 0 ? flag_term_char_set : 0;
        parms.termChar = char(termchar);
        Device_ReadResp resp{};
        limit(timeout_ms);
        ViStatus status = call_status(device_read_1(&parms, &resp, client));
        if (status == VI_SUCCESS) {
            status = status_of(resp.error);
            // Never more than asked for, whatever the server sends.
            bytes += QByteArray(
                resp.data.data_val,
                int(std::min<u_int>(resp.data.data_len, count - ViUInt32(bytes.size()))));
            reason = resp.reason;
            xdr_free(reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp),
                     reinterpret_cast<char*>(&resp));
        }
        if (status != VI_SUCCESS) {
            return status;
        }
    }
    // As with the USB instruments: a full count is reported as such, also at the answer's end.
    if (ViUInt32(bytes.size()) == count) {
        return VI_SUCCESS_MAX_CNT;
    }
    return reason & reason_term_char && !(reason & reason_end) ? VI_SUCCESS_TERM_CHAR : VI_SUCCESS;
}

ViStatus visa_lan_link_t::clear(ViUInt32 timeout_ms) {
    std::lock_guard<std::mutex> hold(turn);
    Device_GenericParms parms{};
    parms.lid = id;
    parms.io_timeout = timeout_ms;
    limit(timeout_ms);
    return error_answer(device_clear_1, &parms, client);
}

ViStatus visa_lan_link_t::lock(ViUInt32 timeout_ms) {
    std::lock_guard<std::mutex> hold(turn);
    Device_LockParms parms{};
    parms.lid = id;
    parms.flags = flag_wait_lock;
    parms.lock_timeout = timeout_ms;
    limit(timeout_ms);
    return error_answer(device_lock_1, &parms, client);
}

ViStatus visa_lan_link_t::unlock(ViUInt32 timeout_ms) {
    std::lock_guard<std::mutex> hold(turn);
    Device_Link link = id;
    limit(timeout_ms);
    return error_answer(device_unlock_1, &link, client);
}
