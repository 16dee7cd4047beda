#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

// Finding the family's units and opening the link to one; no widgets, so the
// window and the command-line tool share it.

// What the operating system tells of one serial port, kept apart from the
// enumeration so the filter can be fed any ports.
struct serial_port_entry_t {
    QString name;
    bool has_identifiers = false;
    quint16 vendor_id = 0;
    quint16 product_id = 0;
};
using port_source_t = std::function<QList<serial_port_entry_t>()>;

QList<serial_port_entry_t> available_serial_ports();

// Names of the ports that carry the family's USB identity, in the given order.
QStringList unit_port_names(const QList<serial_port_entry_t>& ports);

// Ports that carry no USB identifiers but that the operator named (a unit
// behind an adapter, a simulated unit); listed after the family's own ports.
void set_operator_ports(const QStringList& ports);

// VISA resources the operator named (a unit on the network,
// "TCPIP0::host::serial::INSTR"); listed after the USB units when VISA is the link.
void set_operator_resources(const QStringList& resources);

// Every unit the link of this run reaches: VISA resource texts when the VISA
// binding is ready, else serial port names. A serial search closes the port
// open until then, so the same unit can be listed and opened again.
QStringList find_units(const port_source_t& ports = available_serial_ports);

// Opens the link to a unit that find_units listed.
bool connect_unit(const QByteArray& name);

// Gives a slow unit this long for its answers from the next connect_unit on:
// the wait for an answer's first byte over a serial port, the I/O timeout of
// a VISA session. Without it each link keeps its own.
void set_answer_timeout(int ms);
