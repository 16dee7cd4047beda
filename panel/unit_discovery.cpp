#include "panel/unit_discovery.h"

#include <QSerialPortInfo>

#include "driver/serial_link.h"
#include "driver/unit.h"
#include "driver/unit_family.h"
#include "driver/visa_session.h"

namespace {

QStringList& operator_ports() {
    static QStringList ports;
    return ports;
}

QStringList& operator_resources() {
    static QStringList resources;
    return resources;
}

}  // namespace

QList<serial_port_entry_t> available_serial_ports() {
    QList<serial_port_entry_t> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        serial_port_entry_t entry;
        entry.name = info.portName();
        entry.has_identifiers = info.hasVendorIdentifier() && info.hasProductIdentifier();
        entry.vendor_id = info.vendorIdentifier();
        entry.product_id = info.productIdentifier();
        ports.append(entry);
    }
    return ports;
}

QStringList unit_port_names(const QList<serial_port_entry_t>& ports) {
    QStringList names;
    for (const serial_port_entry_t& port : ports) {
        if (port.has_identifiers && port.vendor_id == unit_vendor_id &&
            port.product_id == unit_product_id) {
            names.append(port.name);
        }
    }
    return names;
}

void set_operator_ports(const QStringList& ports) {
    operator_ports() = ports;
}

void set_operator_resources(const QStringList& resources) {
    operator_resources() = resources;
}

QStringList find_units(const port_source_t& ports) {
    if (visa_available()) {
        return visa_attached_units() + operator_resources();
    }
    serial_close();
    return unit_port_names(ports()) + operator_ports();
}

bool connect_unit(const QByteArray& name) {
    // Whatever answers on the new link has yet to say what it is.
    drv_unit_instance().forget_identity();
    return visa_available() ? visa_connect(name) : serial_open(name);
}

void set_answer_timeout(int ms) {
    serial_set_answer_wait(ms);
    visa_set_io_timeout(ViUInt32(ms));
}
