#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the operating system tells of one serial port, kept apart from the
// enumeration so the filter can be fed any ports.
struct serial_port_entry_t {
    QString name;
    bool has_identifiers = false;
    quint16 vendor_id = 0;
    quint16 product_id = 0;
};

QList<serial_port_entry_t> available_serial_ports();

// Names of the ports that carry the family's USB identity, in the given order.
QStringList unit_port_names(const QList<serial_port_entry_t>& ports);

// True for a VISA resource text of a unit of the family.
bool is_unit_resource(const QString& resource);
