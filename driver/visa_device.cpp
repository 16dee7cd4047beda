#include "driver/visa_device.h"

#include <QThread>

#include "driver/unit_family.h"
#include "driver/visa_session.h"

namespace {

const char* const usb_instruments = "USB?*INSTR";
constexpr int reopen_attempts = 10;
constexpr unsigned long reopen_pause_ms = 500;
constexpr unsigned long write_pause_ms = 5;
// VI_ATTR_TMO_VALUE: the session's I/O timeout in milliseconds.
constexpr ViAttr io_timeout_attribute = 0x3FFF001A;

}  // namespace

int drv_device_t::find_units(QStringList& list, ViUInt32& count) {
    count = 0;
    if (!ready) {
        return visa_not_usable;
    }
    const std::lock_guard<std::mutex> hold(search_lock);
    status = search();
    if (status != VI_SUCCESS) {
        return visa_none_found;
    }
    count = find_count;
    for (ViUInt32 i = 0; i < find_count; ++i) {
        list.append(QString::fromUtf8(found_text()));
        visa_entry_points().viFindNext(find_list, find_desc);
    }
    return visa_done;
}

ViStatus drv_device_t::open_lan_resource(const QByteArray& address, ViSession& session) {
    const QByteArray resource = "TCPIP0::" + address + "::INSTR";
    if (address.isEmpty() || resource_fields(QString::fromUtf8(resource)).size() != 3) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    return open_resource(resource, session);
}

ViStatus drv_device_t::open_resource(const QByteArray& name, ViSession& session,
                                     ViUInt32 io_timeout_ms) {
    if (!ready) {
        return VI_ERROR_LIBRARY_NFOUND;
    }
    const visa_entry_points_t& vi = visa_entry_points();
    ViStatus result = vi.viOpen(rm, name.constData(), 0, 0, &session);
    if (result != VI_SUCCESS || io_timeout_ms == 0) {
        return result;
    }
    // A session that cannot take the timeout asked for is not opened.
    result = set_io_timeout(session, io_timeout_ms);
    if (result != VI_SUCCESS) {
        vi.viClose(session);
        session = 0;
    }
    return result;
}

ViStatus drv_device_t::set_io_timeout(ViSession session, ViUInt32 io_timeout_ms) {
    const visa_entry_points_t& vi = visa_entry_points();
    if (!ready || vi.viSetAttribute == nullptr) {
        return VI_ERROR_NSUP_ATTR;
    }
    return vi.viSetAttribute(session, io_timeout_attribute, io_timeout_ms);
}

bool drv_device_t::reopen_resource(const QByteArray& name, ViSession& session,
                                   ViUInt32 io_timeout_ms) {
    if (!ready) {
        return false;
    }
    for (int attempt = 0; attempt < reopen_attempts; ++attempt) {
        if (open_resource(name, session, io_timeout_ms) == VI_SUCCESS) {
            return true;
        }
        QThread::msleep(reopen_pause_ms);
    }
    return false;
}

ViStatus drv_device_t::close_session(ViSession session) {
    if (!ready) {
        return VI_ERROR_LIBRARY_NFOUND;
    }
    return visa_entry_points().viClose(session);
}

ViStatus drv_device_t::clear_session(ViSession session) {
    if (!ready || visa_entry_points().viClear == nullptr) {
        return VI_ERROR_LIBRARY_NFOUND;
    }
    return visa_entry_points().viClear(session);
}

bool drv_device_t::write_bytes(ViSession session, const char* bytes, int count, ViStatus* status) {
    ViStatus ignored = VI_SUCCESS;
    ViStatus& result = status ? *status : ignored;
    result = VI_ERROR_LIBRARY_NFOUND;
    if (!ready || count < 0) {
        return false;
    }
    ViUInt32 written = 0;
    result = visa_entry_points().viWrite(session, reinterpret_cast<const ViByte*>(bytes),
                                         ViUInt32(count), &written);
    QThread::msleep(write_pause_ms);
    return result == VI_SUCCESS;
}

int drv_device_t::read_bytes(ViSession session, char* buffer, int max_count, ViStatus* status) {
    ViStatus ignored = VI_SUCCESS;
    ViStatus& result = status ? *status : ignored;
    result = VI_ERROR_LIBRARY_NFOUND;
    if (!ready || max_count < 0) {
        return -1;
    }
    ViUInt32 received = 0;
    result = visa_entry_points().viRead(session, reinterpret_cast<ViByte*>(buffer),
                                        ViUInt32(max_count), &received);
    // Ended by the maximum count or a termination character is not a whole answer.
    if (result != VI_SUCCESS) {
        return -1;
    }
    return int(qstrnlen(buffer, size_t(max_count)));
}

// A new search replaces the last one, so its find list is released first.
ViStatus drv_device_t::search() {
    const visa_entry_points_t& vi = visa_entry_points();
    if (find_list != 0) {
        vi.viClose(find_list);
        find_list = 0;
    }
    return vi.viFindRsrc(rm, usb_instruments, &find_list, &find_count, find_desc);
}

// The library need not terminate the text; the buffer bounds it.
QByteArray drv_device_t::found_text() const {
    return QByteArray(find_desc, int(qstrnlen(find_desc, VI_FIND_BUFLEN)));
}

drv_device_t& drv_device_instance() {
    static drv_device_t device;
    return device;
}
