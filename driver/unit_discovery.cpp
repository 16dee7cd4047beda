#include "driver/unit_discovery.h"

#include <QSerialPortInfo>

#include "driver/link.h"
#include "driver/serial_link.h"
#include "driver/unit.h"
#include "driver/unit_family.h"
#include "driver/visa_session.h"

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

QStringList find_units(const unit_search_t& search) {
    if (visa_available()) {
        return visa_attached_units() + search.resources;
    }
    return unit_port_names(search.port_source ? search.port_source()
                                              : QList<serial_port_entry_t>()) +
           search.ports;
}

std::unique_ptr<unit_link_t> make_unit_link(int answer_timeout_ms) {
    std::unique_ptr<unit_link_t> link;
    if (visa_available()) {
        link.reset(new visa_link_t);
    } else {
        link.reset(new serial_link_t);
    }
    link->set_answer_timeout(answer_timeout_ms);
    return link;
}

QString open_failure_text(const unit_link_t& link) {
    return link.busy() ? QStringLiteral("port busy: another program has it open")
                       : QStringLiteral("cannot be opened");
}

bool connect_unit(const QByteArray& name) {
    drv_unit_instance().forget_identity();
    return current_link().open(name);
}
