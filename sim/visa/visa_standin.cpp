#include "sim/visa/visa_standin.h"

#include <algorithm>

#include "sim/visa/visa_attributes.h"
#include "sim/visa/visa_echo_instrument.h"
#include "sim/visa/visa_expression.h"
#include "sim/visa/visa_statuses.h"
#include "sim/visa/visa_unit_instrument.h"

using lock_t = std::unique_lock<std::mutex>;

visa_standin_t& visa_standin_t::instance() {
    static visa_standin_t standin;
    return standin;
}

visa_standin_t::visa_standin_t() : settings(visa_settings_from_environment()) {
    if (!settings.error.isEmpty()) {
        qWarning("VISA stand-in: %s", qPrintable(settings.error));
        return;
    }
    for (const sim_unit_config_t& unit : settings.units) {
        attached.push_back(std::make_unique<visa_unit_instrument_t>(unit, settings.wire_log));
    }
    attached.push_back(std::make_unique<visa_echo_instrument_t>(settings.wire_log));
}

ViStatus visa_standin_t::open_default_rm(ViSession* rm) {
    lock_t lock(mutex);
    *rm = 0;
    if (!settings.error.isEmpty()) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    visa_object_t manager;
    manager.timeout_ms = settings.timeout_ms;
    *rm = sessions.add(manager);
    return settings.rm_warning ? VI_WARN_CONFIG_NLOADED : VI_SUCCESS;
}

ViStatus visa_standin_t::find_first(ViSession rm, const ViChar* expression, ViFindList* list,
                                    ViUInt32* count, ViChar* description) {
    if (list) {
        *list = 0;
    }
    if (count) {
        *count = 0;
    }
    QByteArrayList names;
    {
        lock_t lock(mutex);
        if (!sessions.find(rm, visa_kind_t::resource_manager)) {
            return VI_ERROR_INV_OBJECT;
        }
        names = online_names();
    }
    visa_expression_t pattern;
    if (!expression ||
        qstrnlen(expression, visa_longest_expression + 1) > visa_longest_expression ||
        !pattern.parse(expression)) {
        return VI_ERROR_INV_EXPR;
    }
    QByteArrayList found;
    for (const QByteArray& name : names) {
        if (pattern.matches(name)) {
            found.append(name);
        }
    }
    if (found.isEmpty()) {
        return VI_ERROR_RSRC_NFOUND;
    }
    const QByteArray first = found.takeFirst();
    if (list) {
        lock_t lock(mutex);
        // The manager may have been closed while the search ran.
        if (!sessions.find(rm, visa_kind_t::resource_manager)) {
            return VI_ERROR_INV_OBJECT;
        }
        visa_object_t rest;
        rest.kind = visa_kind_t::find_list;
        rest.owner = rm;
        rest.found = found;
        *list = sessions.add(rest);
    }
    if (count) {
        *count = ViUInt32(found.size() + 1);
    }
    visa_copy_text(first, description);
    return VI_SUCCESS;
}

ViStatus visa_standin_t::find_next(ViFindList list, ViChar* description) {
    lock_t lock(mutex);
    visa_object_t* rest = sessions.find(list, visa_kind_t::find_list);
    if (!rest) {
        return VI_ERROR_INV_OBJECT;
    }
    if (rest->found.isEmpty()) {
        return VI_ERROR_RSRC_NFOUND;
    }
    visa_copy_text(rest->found.takeFirst(), description);
    return VI_SUCCESS;
}

ViStatus visa_standin_t::parse(ViSession rm, const ViChar* name, visa_resource_parts_t& parts) {
    lock_t lock(mutex);
    if (!sessions.find(rm, visa_kind_t::resource_manager)) {
        return VI_ERROR_INV_OBJECT;
    }
    return name && visa_parse_resource_text(name, parts) ? VI_SUCCESS : VI_ERROR_INV_RSRC_NAME;
}

ViStatus visa_standin_t::open(ViSession rm, const ViChar* name, ViAccessMode mode,
                              ViUInt32 timeout_ms, ViSession* vi) {
    lock_t lock(mutex);
    *vi = 0;
    if (!sessions.find(rm, visa_kind_t::resource_manager)) {
        return VI_ERROR_INV_OBJECT;
    }
    if ((mode & ~(VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG)) != 0 ||
        (mode & VI_EXCLUSIVE_LOCK && mode & VI_SHARED_LOCK)) {
        return VI_ERROR_INV_ACC_MODE;
    }
    if (mode & VI_SHARED_LOCK) {
        return VI_ERROR_NSUP_OPER;
    }
    QByteArray host;
    QByteArray device;
    if (name && visa_lan_resource_parts(name, host, device)) {
        return open_lan(lock, rm, name, host, device, mode, timeout_ms, vi);
    }
    const int index = name ? instrument_named(name) : -1;
    if (index < 0 || !attached[size_t(index)]->online()) {
        return VI_ERROR_RSRC_NFOUND;
    }
    visa_object_t session;
    session.kind = visa_kind_t::instrument;
    session.owner = rm;
    session.instrument = index;
    session.timeout_ms = settings.timeout_ms;
    const ViSession opened = sessions.add(session);
    if (mode & VI_EXCLUSIVE_LOCK) {
        const ViStatus status = lock_locked(lock, opened, timeout_ms);
        if (status != VI_SUCCESS) {
            sessions.close(opened);
            return status == VI_ERROR_TMO ? VI_ERROR_RSRC_LOCKED : status;
        }
    }
    *vi = opened;
    return VI_SUCCESS;
}

ViStatus visa_standin_t::close(ViObject vi) {
    lock_t lock(mutex);
    if (vi == 0) {
        return VI_WARN_NULL_OBJECT;
    }
    if (!sessions.find(vi)) {
        return VI_ERROR_INV_OBJECT;
    }
    sessions.close(vi);
    changed.notify_all();
    return VI_SUCCESS;
}

ViStatus visa_standin_t::write(ViSession vi, const ViByte* buffer, ViUInt32 count,
                               ViUInt32* written) {
    lock_t lock(mutex);
    if (written) {
        *written = 0;
    }
    visa_object_t* session = sessions.find(vi, visa_kind_t::instrument);
    if (!session) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->lan) {
        const std::shared_ptr<visa_lan_link_t> lan = session->lan;
        const ViUInt32 timeout_ms = session->timeout_ms;
        const bool end = session->send_end;
        lock.unlock();
        ViUInt32 count_written = 0;
        const ViStatus status =
            lan->write(QByteArray(reinterpret_cast<const char*>(buffer), int(count)), end,
                       timeout_ms, count_written);
        if (written) {
            *written = count_written;
        }
        return status;
    }
    if (sessions.locked_out(vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    visa_instrument_t& instrument = *attached[size_t(session->instrument)];
    if (!instrument.online()) {
        return VI_ERROR_CONN_LOST;
    }
    const QByteArray command(reinterpret_cast<const char*>(buffer), int(count));
    const answer_t answer = instrument.handle(command);
    // A restart loses whatever the instrument had not yet sent, to any session.
    if (!instrument.online()) {
        sessions.drop_output_of(session->instrument);
    }
    session->output.push(answer, clock::now());
    changed.notify_all();
    if (written) {
        *written = count;
    }
    return VI_SUCCESS;
}

ViStatus visa_standin_t::read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* received) {
    lock_t lock(mutex);
    if (received) {
        *received = 0;
    }
    visa_object_t* session = sessions.find(vi, visa_kind_t::instrument);
    if (!session) {
        return VI_ERROR_INV_OBJECT;
    }
    if (sessions.locked_out(vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    const int termchar = session->termchar_enabled ? session->termchar : -1;
    if (session->lan) {
        const std::shared_ptr<visa_lan_link_t> lan = session->lan;
        const ViUInt32 timeout_ms = session->timeout_ms;
        lock.unlock();
        QByteArray bytes;
        const ViStatus status = lan->read(bytes, count, termchar, timeout_ms);
        std::copy(bytes.cbegin(), bytes.cend(), buffer);
        if (received) {
            *received = ViUInt32(bytes.size());
        }
        return status;
    }
    const clock::time_point deadline =
        clock::now() + std::chrono::milliseconds(session->timeout_ms);
    QByteArray bytes;
    visa_output_t::step_t step = session->output.take(bytes, count, termchar, clock::now());
    bool open = true;
    while (!step.done && open && clock::now() < deadline) {
        // Waiting releases the lock, so other sessions go on meanwhile.
        changed.wait_until(lock, std::min(deadline, step.next));
        session = sessions.find(vi, visa_kind_t::instrument);
        open = session != nullptr;
        if (open) {
            step = session->output.take(bytes, count, termchar, clock::now());
        }
    }
    std::copy(bytes.cbegin(), bytes.cend(), buffer);
    if (received) {
        *received = ViUInt32(bytes.size());
    }
    return !open ? VI_ERROR_INV_OBJECT : step.done ? step.status : VI_ERROR_TMO;
}

ViStatus visa_standin_t::clear(ViSession vi) {
    lock_t lock(mutex);
    visa_object_t* session = sessions.find(vi, visa_kind_t::instrument);
    if (!session) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->lan) {
        const std::shared_ptr<visa_lan_link_t> lan = session->lan;
        const ViUInt32 timeout_ms = session->timeout_ms;
        lock.unlock();
        return lan->clear(timeout_ms);
    }
    if (sessions.locked_out(vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    session->output.clear();
    return VI_SUCCESS;
}

ViStatus visa_standin_t::lock(ViSession vi, ViAccessMode type, ViUInt32 timeout_ms) {
    lock_t held(mutex);
    if (!sessions.find(vi, visa_kind_t::instrument)) {
        return sessions.find(vi) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
    }
    if (type == VI_SHARED_LOCK) {
        return VI_ERROR_NSUP_OPER;
    }
    if (type != VI_EXCLUSIVE_LOCK) {
        return VI_ERROR_INV_LOCK_TYPE;
    }
    // A network instrument's lock is its server's.
    const std::shared_ptr<visa_lan_link_t> lan = sessions.find(vi)->lan;
    if (lan) {
        held.unlock();
        return lan->lock(timeout_ms);
    }
    return lock_locked(held, vi, timeout_ms);
}

ViStatus visa_standin_t::lock_locked(lock_t& held, ViSession vi, ViUInt32 timeout_ms) {
    // Infinite included: every wait stays bounded.
    const clock::time_point deadline =
        clock::now() + std::chrono::milliseconds(std::min(timeout_ms, visa_longest_timeout_ms));
    visa_object_t* session = sessions.find(vi, visa_kind_t::instrument);
    while (session && sessions.locked_out(vi)) {
        if (changed.wait_until(held, deadline) == std::cv_status::timeout &&
            sessions.locked_out(vi)) {
            return VI_ERROR_TMO;
        }
        session = sessions.find(vi, visa_kind_t::instrument);
    }
    if (!session) {
        return VI_ERROR_INV_OBJECT;
    }
    return ++session->lock_depth == 1 ? VI_SUCCESS : VI_SUCCESS_NESTED_EXCLUSIVE;
}

ViStatus visa_standin_t::unlock(ViSession vi) {
    lock_t held(mutex);
    visa_object_t* session = sessions.find(vi, visa_kind_t::instrument);
    if (!session) {
        return sessions.find(vi) ? VI_ERROR_SESN_NLOCKED : VI_ERROR_INV_OBJECT;
    }
    if (session->lan) {
        const std::shared_ptr<visa_lan_link_t> lan = session->lan;
        const ViUInt32 timeout_ms = session->timeout_ms;
        held.unlock();
        return lan->unlock(timeout_ms);
    }
    if (session->lock_depth == 0) {
        return VI_ERROR_SESN_NLOCKED;
    }
    if (--session->lock_depth > 0) {
        return VI_SUCCESS_NESTED_EXCLUSIVE;
    }
    changed.notify_all();
    return VI_SUCCESS;
}

ViStatus visa_standin_t::check(ViObject vi) {
    lock_t lock(mutex);
    return sessions.find(vi) ? VI_SUCCESS : VI_ERROR_INV_OBJECT;
}

ViStatus visa_standin_t::get_attribute(ViObject vi, ViAttr attribute, void* value) {
    lock_t lock(mutex);
    const visa_object_t* object = sessions.find(vi);
    if (!object) {
        return VI_ERROR_INV_OBJECT;
    }
    const QByteArray resource_text = object->kind != visa_kind_t::instrument ? QByteArray()
                                     : object->lan
                                         ? object->lan_resource
                                         : attached[size_t(object->instrument)]->resource_name();
    return visa_get_attribute(*object, resource_text, attribute, value);
}

ViStatus visa_standin_t::set_attribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    lock_t lock(mutex);
    visa_object_t* object = sessions.find(vi);
    return object ? visa_set_attribute(*object, attribute, value) : VI_ERROR_INV_OBJECT;
}

ViStatus visa_standin_t::open_lan(lock_t& held, ViSession rm, const ViChar* name,
                                  const QByteArray& host, const QByteArray& device,
                                  ViAccessMode mode, ViUInt32 timeout_ms, ViSession* vi) {
    // The network is not waited on while other sessions need the stand-in.
    held.unlock();
    std::unique_ptr<visa_lan_link_t> link;
    const ViStatus status =
        visa_lan_link_t::open(host, device, mode & VI_EXCLUSIVE_LOCK, timeout_ms, link);
    if (status != VI_SUCCESS) {
        return status;
    }
    held.lock();
    // The manager may have been closed meanwhile.
    if (!sessions.find(rm, visa_kind_t::resource_manager)) {
        return VI_ERROR_INV_OBJECT;
    }
    visa_object_t session;
    session.kind = visa_kind_t::instrument;
    session.owner = rm;
    session.lan = std::move(link);
    session.lan_resource = name;
    session.timeout_ms = settings.timeout_ms;
    *vi = sessions.add(session);
    return VI_SUCCESS;
}

int visa_standin_t::instrument_named(const QByteArray& name) const {
    for (size_t i = 0; i < attached.size(); ++i) {
        if (visa_same_resource(attached[i]->resource_name(), name)) {
            return int(i);
        }
    }
    return -1;
}

QByteArrayList visa_standin_t::online_names() const {
    QByteArrayList names;
    for (const auto& instrument : attached) {
        if (instrument->online()) {
            names.append(instrument->resource_name());
        }
    }
    return names;
}
