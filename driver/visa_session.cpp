#include "driver/visa_session.h"

#include "driver/unit_family.h"
#include "driver/visa_device.h"

namespace {

ViSession current_session = 0;
QByteArray current_resource_name;
// True while an answer that no read will take may still come to the session.
bool answer_left = false;

}  // namespace

bool visa_available() {
    return drv_device_instance().ready;
}

ViSession visa_session() {
    return current_session;
}

QByteArray visa_resource_name() {
    return current_resource_name;
}

int visa_find_units(QStringList& list, ViUInt32& count) {
    return drv_device_instance().find_units(list, count);
}

bool visa_open(const QByteArray& name) {
    if (drv_device_instance().open_resource(name, current_session) != VI_SUCCESS) {
        return false;
    }
    current_resource_name = name;
    answer_left = false;
    return true;
}

void visa_set_io_timeout(ViUInt32 ms) {
    drv_device_instance().io_timeout_ms = ms;
}

bool visa_close() {
    if (drv_device_instance().close_session(current_session) != VI_SUCCESS) {
        return false;
    }
    current_session = 0;
    answer_left = false;
    return true;
}

bool visa_connect(const QByteArray& name) {
    visa_close();
    return visa_open(name);
}

QStringList visa_attached_units() {
    QStringList found;
    ViUInt32 count = 0;
    drv_device_instance().find_units(found, count);
    QStringList units;
    for (const QString& resource : found) {
        if (is_unit_resource(resource)) {
            units.append(resource);
        }
    }
    return units;
}

bool visa_reopen(const QStringList& attached_before) {
    answer_left = false;
    return drv_device_instance().reopen_resource(current_resource_name, current_session,
                                                 attached_before);
}

bool visa_clear() {
    return drv_device_instance().clear_session(current_session) == VI_SUCCESS;
}

bool visa_write(const char* bytes, int count, ViStatus* status) {
    if (answer_left) {
        visa_clear();
        answer_left = false;
    }
    return drv_device_instance().write_bytes(current_session, bytes, count, status);
}

int visa_read(char* buffer, int max_count, ViStatus* status) {
    ViStatus result = VI_SUCCESS;
    const int length =
        drv_device_instance().read_bytes(current_session, buffer, max_count, &result);
    // A read that gave up may leave the answer, or its rest, still to come;
    // one that reached an answer's end took it.
    if (result == VI_ERROR_TMO) {
        answer_left = true;
    } else if (result == VI_SUCCESS) {
        answer_left = false;
    }
    if (status) {
        *status = result;
    }
    return length;
}

void visa_set_answer_left(bool left) {
    answer_left = left;
}
