#include "lan/vxi11_procedures.h"

#include <cstring>
#include <vector>

#include "lan/lan_errors.h"
#include "lan/rpc_connection.h"
#include "lan/rpc_message.h"
#include "lan/vxi11_service.h"
#include "vxi11.h"

namespace {

// Room for the arguments of any procedure.
union arguments_t {
    Create_LinkParms create;
    Device_WriteParms write;
    Device_ReadParms read;
    Device_GenericParms generic;
    Device_LockParms lock;
    Device_Link link;
    Device_RemoteFunc remote;
    Device_EnableSrqParms srq;
    Device_DocmdParms docmd;
};

using run_t = void (*)(vxi11_service_t&, const lan_call_t&, arguments_t&);

struct procedure_t {
    quint32 number;
    xdrproc_t decode;
    xdrproc_t encode;
    run_t run;
};

template <typename T>
xdrproc_t xdr(bool_t (*routine)(XDR*, T*)) {
    return reinterpret_cast<xdrproc_t>(routine);
}

void answer_nothing(vxi11_service_t&, const lan_call_t& call, arguments_t&) {
    call.reply.send(nullptr);
}

// Status byte, trigger, remote and local control, service requests and
// instrument-specific commands: a unit has no use for them.
void not_supported(vxi11_service_t&, const lan_call_t& call, arguments_t&) {
    Device_Error resp{lan_not_supported};
    call.reply.send(&resp);
}

void status_byte_not_supported(vxi11_service_t&, const lan_call_t& call, arguments_t&) {
    Device_ReadStbResp resp{lan_not_supported, 0};
    call.reply.send(&resp);
}

void command_not_supported(vxi11_service_t&, const lan_call_t& call, arguments_t&) {
    Device_DocmdResp resp{lan_not_supported, {0, nullptr}};
    call.reply.send(&resp);
}

constexpr quint32 null_procedure = 0;

}  // namespace

struct vxi11_program_t {
    quint32 number;
    quint32 version;
    std::vector<procedure_t> procedures;
};

const vxi11_program_t vxi11_core_channel = {
    DEVICE_CORE,
    DEVICE_CORE_VERSION,
    {
        {null_procedure, rpc_xdr_nothing(), rpc_xdr_nothing(), answer_nothing},
        {create_link, xdr(xdr_Create_LinkParms), xdr(xdr_Create_LinkResp),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_create_link(call, a.create);
         }},
        {device_write, xdr(xdr_Device_WriteParms), xdr(xdr_Device_WriteResp),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_write(call, a.write);
         }},
        {device_read, xdr(xdr_Device_ReadParms), xdr(xdr_Device_ReadResp),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_read(call, a.read);
         }},
        {device_readstb, xdr(xdr_Device_GenericParms), xdr(xdr_Device_ReadStbResp),
         status_byte_not_supported},
        {device_trigger, xdr(xdr_Device_GenericParms), xdr(xdr_Device_Error), not_supported},
        {device_clear, xdr(xdr_Device_GenericParms), xdr(xdr_Device_Error),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_clear(call, a.generic);
         }},
        {device_remote, xdr(xdr_Device_GenericParms), xdr(xdr_Device_Error), not_supported},
        {device_local, xdr(xdr_Device_GenericParms), xdr(xdr_Device_Error), not_supported},
        {device_lock, xdr(xdr_Device_LockParms), xdr(xdr_Device_Error),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_lock(call, a.lock);
         }},
        {device_unlock, xdr(xdr_Device_Link), xdr(xdr_Device_Error),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_unlock(call, a.link);
         }},
        {create_intr_chan, xdr(xdr_Device_RemoteFunc), xdr(xdr_Device_Error), not_supported},
        {destroy_intr_chan, rpc_xdr_nothing(), xdr(xdr_Device_Error), not_supported},
        {device_enable_srq, xdr(xdr_Device_EnableSrqParms), xdr(xdr_Device_Error), not_supported},
        {device_docmd, xdr(xdr_Device_DocmdParms), xdr(xdr_Device_DocmdResp),
         command_not_supported},
        {destroy_link, xdr(xdr_Device_Link), xdr(xdr_Device_Error),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_destroy_link(call, a.link);
         }},
    }};

const vxi11_program_t vxi11_abort_channel = {
    DEVICE_ASYNC,
    DEVICE_ASYNC_VERSION,
    {
        {null_procedure, rpc_xdr_nothing(), rpc_xdr_nothing(), answer_nothing},
        {device_abort, xdr(xdr_Device_Link), xdr(xdr_Device_Error),
         [](vxi11_service_t& service, const lan_call_t& call, arguments_t& a) {
             service.on_abort(call, a.link);
         }},
    }};

void vxi11_dispatch(const vxi11_program_t& program, vxi11_service_t& service,
                    rpc_connection_t& connection, QByteArray record, quint64 number,
                    quint16 abort_port) {
    rpc_call_reader_t reader(std::move(record));
    rpc_call_t call;
    bool rpc_version_2 = false;
    if (!reader.header(call, rpc_version_2)) {
        connection.close();
        return;
    }
    const procedure_t* procedure = nullptr;
    for (const procedure_t& candidate : program.procedures) {
        if (candidate.number == call.procedure) {
            procedure = &candidate;
        }
    }
    const rpc_reply_t reply(&connection, call.xid, number,
                            procedure != nullptr ? procedure->encode : rpc_xdr_nothing());
    if (!rpc_version_2) {
        reply.refuse(rpc_refusal_t::rpc_version);
    } else if (call.program != program.number) {
        reply.refuse(rpc_refusal_t::program);
    } else if (call.version != program.version) {
        reply.refuse(rpc_refusal_t::program_version);
    } else if (procedure == nullptr) {
        reply.refuse(rpc_refusal_t::procedure);
    } else {
        arguments_t arguments;
        std::memset(&arguments, 0, sizeof arguments);
        if (reader.arguments(procedure->decode, &arguments)) {
            procedure->run(service, {reply, connection.id(), connection.peer(), abort_port},
                           arguments);
        } else {
            reply.refuse(rpc_refusal_t::garbage_arguments);
        }
        xdr_free(procedure->decode, reinterpret_cast<char*>(&arguments));
    }
}
