#include "driver/visa_session.h"

#include "driver/unit_family.h"
#include "driver/visa_device.h"

namespace {

ViSession current_session = 0;
QByteArray current_resource_name;

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
    return true;
}

bool visa_close() {
    if (drv_device_instance().close_session(current_session) != VI_SUCCESS) {
        return false;
    }
    current_session = 0;
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
    return drv_device_instance().reopen_resource(current_resource_name, current_session,
                                                 attached_before);
}

bool visa_clear() {
    return drv_device_instance().clear_session(current_session) == VI_SUCCESS;
}

bool visa_write(const char* bytes, int count, ViStatus* status) {
    return drv_device_instance().write_bytes(current_session, bytes, count, status);
}

int visa_read(char* buffer, int max_count, ViStatus* status) {
    return drv_device_instance().read_bytes(current_session, buffer, max_count, status);
}
