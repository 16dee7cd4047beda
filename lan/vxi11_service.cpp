#include "lan/vxi11_service.h"

#include <QDeadlineTimer>
#include <QSysInfo>
#include <algorithm>
#include <memory>

#include "lan/lan_gateway.h"
#include "lan/lan_limits.h"
#include "lan/lan_message.h"
#include "lan/lan_units.h"

namespace {

constexpr Device_Flags flag_wait_lock = 1;
constexpr Device_Flags flag_end = 8;
constexpr Device_Flags flag_term_char_set = 128;

int bounded(u_long ms, int longest) {
    return int(std::min<u_long>(ms, u_long(longest)));
}

void answer_error(const lan_call_t& call, int error) {
    Device_Error resp{error};
    call.reply.send(&resp);
}

void answer_create(const lan_call_t& call, int error, int id = 0) {
    Create_LinkResp resp{error, id, call.abort_port, u_long(lan_max_message)};
    call.reply.send(&resp);
}

void answer_write(const lan_call_t& call, int error, int size) {
    Device_WriteResp resp{error, u_long(size)};
    call.reply.send(&resp);
}

void answer_read(const lan_call_t& call, int error, lan_read_t read = {}) {
    Device_ReadResp resp{};
    resp.error = error;
    resp.reason = read.reason;
    resp.data.data_len = u_int(read.data.size());
    resp.data.data_val = read.data.data();
    call.reply.send(&resp);
}

}  // namespace

vxi11_service_t::vxi11_service_t(lan_units_t& units)
    : units(units), identity(lan_identity(QSysInfo::machineHostName())) {}

void vxi11_service_t::on_create_link(const lan_call_t& call, const Create_LinkParms& parms) {
    const QByteArray unit(parms.device, int(qstrnlen(parms.device, lan_max_record)));
    const bool lock = parms.lockDevice;
    const u_long lock_timeout = parms.lock_timeout;
    if (lan_is_gateway(unit)) {
        link_to(call, lan_gateway_key, {}, lock, lock_timeout);
        return;
    }
    // A unit is linked to only once it has said again that it is that unit.
    units.find(unit, [=](bool known) {
        if (!known) {
            answer_create(call, lan_not_accessible);
            return;
        }
        units.verify(unit, [=](const QByteArray& serial_number) {
            if (serial_number.isEmpty()) {
                answer_create(call, lan_not_accessible);
                return;
            }
            link_to(call, unit, serial_number, lock, lock_timeout);
        });
    });
}

void vxi11_service_t::link_to(const lan_call_t& call, const QByteArray& unit,
                              const QByteArray& serial_number, bool lock, u_long lock_timeout) {
    if (!lock) {
        make_link(call, unit, serial_number, false);
        return;
    }
    wait_for_lock(call, 0, unit, true, lock_timeout, [=](int error) {
        if (error != lan_ok) {
            answer_create(call, error);
        } else {
            make_link(call, unit, serial_number, true);
        }
    });
}

void vxi11_service_t::make_link(const lan_call_t& call, const QByteArray& unit,
                                const QByteArray& serial_number, bool lock) {
    // A connection gone meanwhile would leave the link to no one.
    if (!call.reply.open()) {
        return;
    }
    int id = 0;
    const int error = links.add(call.connection, call.host, unit, id);
    if (error == lan_ok) {
        links.find(id)->serial_number = serial_number;
    }
    if (error == lan_ok && lock) {
        links.lock(unit, id);
    }
    answer_create(call, error, id);
}

void vxi11_service_t::wait_for_lock(const lan_call_t& call, int id, const QByteArray& unit,
                                    bool wait, u_long lock_timeout, step_t next) {
    if (!links.locked_by_other(unit, id)) {
        next(lan_ok);
    } else if (!wait) {
        next(lan_locked_by_other);
    } else {
        waits.park(
            lan_waits_t::for_lock, call.connection, id, unit,
            bounded(lock_timeout, lan_longest_lock_wait_ms), lan_locked_by_other,
            [] { return true; }, std::move(next));
    }
}

void vxi11_service_t::with_unit(const lan_call_t& call, int id, Device_Flags flags,
                                u_long lock_timeout, step_t next) {
    const lan_link_t* link = links.owned(call.connection, id);
    if (link == nullptr) {
        next(lan_invalid_link);
        return;
    }
    wait_for_lock(call, id, link->unit, flags & flag_wait_lock, lock_timeout, std::move(next));
}

void vxi11_service_t::send_message(const lan_call_t& call, int id, u_long io_timeout, step_t next) {
    lan_link_t& link = *links.find(id);
    // kvt-lan answers inst0 itself, at once; no unit hears of it.
    if (link.unit == lan_gateway_key) {
        link.answer = lan_gateway_answer(link.unsent, identity);
        link.unsent.clear();
        ++link.message;
        link.exchanging = false;
        next(lan_ok);
        return;
    }
    lan_exchange_t exchange{link.unit,
                            link.serial_number,
                            link.unsent,
                            QDeadlineTimer(bounded(io_timeout, lan_longest_io_ms)),
                            std::make_shared<lan_job_t>(),
                            link.host.toString()};
    link.unsent.clear();
    link.answer.clear();
    link.exchanging = true;
    const quint64 message = ++link.message;
    // Out of time before the unit's worker has taken it, the message is not
    // sent; once taken, its answer is waited for within the same time.
    waits.park(
        lan_waits_t::for_answer, call.connection, id, link.unit,
        bounded(io_timeout, lan_longest_io_ms), lan_io_timeout,
        [job = exchange.job] { return job->cancel(); }, std::move(next));
    units.exchange(exchange, [this, id, message](const lan_exchange_result_t& result) {
        lan_link_t* link = links.find(id);
        if (link == nullptr || link->message != message) {
            return;
        }
        link->exchanging = false;
        link->answer = result.answer;
        waits.resume_link(id, result.error);
    });
}

void vxi11_service_t::on_write(const lan_call_t& call, const Device_WriteParms& parms) {
    const int id = int(parms.lid);
    const QByteArray data(parms.data.data_val, int(parms.data.data_len));
    const bool end = parms.flags & flag_end;
    const u_long io_timeout = parms.io_timeout;
    with_unit(call, id, parms.flags, parms.lock_timeout, [=](int error) {
        lan_link_t* link = links.find(id);
        if (error != lan_ok) {
            answer_write(call, error, 0);
            return;
        }
        if (link->unsent.size() + data.size() > lan_max_message) {
            link->unsent.clear();
            answer_write(call, lan_parameter_error, 0);
            return;
        }
        link->unsent += data;
        if (!lan_message_complete(data, end)) {
            answer_write(call, lan_ok, data.size());
            return;
        }
        send_message(call, id, io_timeout, [=](int error) {
            answer_write(call, error, error == lan_ok ? data.size() : 0);
        });
    });
}

void vxi11_service_t::on_read(const lan_call_t& call, const Device_ReadParms& parms) {
    const int id = int(parms.lid);
    const quint32 request_size = quint32(parms.requestSize);
    const bool term_char_set = parms.flags & flag_term_char_set;
    const char term_char = parms.termChar;
    const u_long io_timeout = parms.io_timeout;
    with_unit(call, id, parms.flags, parms.lock_timeout, [=](int error) {
        if (error != lan_ok) {
            answer_read(call, error);
            return;
        }
        const step_t serve = [=](int error) {
            lan_link_t* link = links.find(id);
            if (error == lan_ok && (link == nullptr || link->answer.isEmpty())) {
                error = lan_io_timeout;
            }
            if (error != lan_ok) {
                answer_read(call, error);
                return;
            }
            answer_read(call, lan_ok,
                        lan_take_read(link->answer, request_size, term_char_set, term_char));
        };
        lan_link_t& link = *links.find(id);
        if (!link.unsent.isEmpty()) {
            send_message(call, id, io_timeout, serve);
        } else if (link.answer.isEmpty() && link.exchanging) {
            waits.park(
                lan_waits_t::for_answer, call.connection, id, link.unit,
                bounded(io_timeout, lan_longest_io_ms), lan_io_timeout, [] { return true; }, serve);
        } else {
            serve(lan_ok);
        }
    });
}

void vxi11_service_t::on_clear(const lan_call_t& call, const Device_GenericParms& parms) {
    const int id = int(parms.lid);
    with_unit(call, id, parms.flags, parms.lock_timeout, [=](int error) {
        if (error == lan_ok) {
            lan_link_t& link = *links.find(id);
            link.unsent.clear();
            link.answer.clear();
            // An answer still on its way is dropped when it comes.
            ++link.message;
            link.exchanging = false;
        }
        answer_error(call, error);
    });
}

void vxi11_service_t::on_lock(const lan_call_t& call, const Device_LockParms& parms) {
    const int id = int(parms.lid);
    const lan_link_t* link = links.owned(call.connection, id);
    if (link == nullptr) {
        answer_error(call, lan_invalid_link);
        return;
    }
    const QByteArray unit = link->unit;
    wait_for_lock(call, id, unit, parms.flags & flag_wait_lock, parms.lock_timeout, [=](int error) {
        if (error == lan_ok) {
            links.lock(unit, id);
        }
        answer_error(call, error);
    });
}

void vxi11_service_t::on_unlock(const lan_call_t& call, Device_Link id) {
    const lan_link_t* link = links.owned(call.connection, int(id));
    if (link == nullptr) {
        answer_error(call, lan_invalid_link);
        return;
    }
    if (links.lock_holder(link->unit) != int(id)) {
        answer_error(call, lan_no_lock_held);
        return;
    }
    const QByteArray unit = link->unit;
    links.unlock(unit);
    unlocked(unit);
    answer_error(call, lan_ok);
}

void vxi11_service_t::on_destroy_link(const lan_call_t& call, Device_Link id) {
    if (links.owned(call.connection, int(id)) == nullptr) {
        answer_error(call, lan_invalid_link);
        return;
    }
    unlocked(links.remove(int(id)));
    answer_error(call, lan_ok);
}

void vxi11_service_t::on_abort(const lan_call_t& call, Device_Link id) {
    const lan_link_t* link = links.find(int(id));
    if (link == nullptr || link->host != call.host) {
        answer_error(call, lan_invalid_link);
        return;
    }
    waits.abort_link(int(id));
    answer_error(call, lan_ok);
}

void vxi11_service_t::drop_connection(quint64 connection) {
    waits.drop_connection(connection);
    for (const int id : links.of_connection(connection)) {
        unlocked(links.remove(id));
    }
}

void vxi11_service_t::unlocked(const QByteArray& unit) {
    if (unit.isEmpty()) {
        return;
    }
    waits.resume_ready(unit, [this, &unit](int id) { return !links.locked_by_other(unit, id); });
}
