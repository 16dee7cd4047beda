#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <memory>

#include "driver/unit_link.h"

// Finding the family's units and opening links to them; no widgets, so the
// window, kvtctl and kvt-lan share it.

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

// Where a search looks besides the units' own USB ports and resources.
struct unit_search_t {
    // Ports that carry no USB identifiers but that the operator named (a unit
    // behind an adapter, a simulated unit); listed after the family's own ports.
    QStringList ports;
    // VISA resources the operator named (a unit on the network,
    // "TCPIP0::host::serial::INSTR"); listed after the USB units.
    QStringList resources;
    port_source_t port_source = available_serial_ports;
};

// Every unit the link of this run reaches: VISA resource texts when the VISA
// binding is ready, else serial port names.
QStringList find_units(const unit_search_t& search);

// A link of this run's kind (VISA when the binding is ready, else serial),
// not yet open, for one unit of its own; a slow unit may be given
// answer_timeout_ms for its answers (0 keeps the link's own).
std::unique_ptr<unit_link_t> make_unit_link(int answer_timeout_ms = 0);

// Why the link's last open failed, as every program says it.
QString open_failure_text(const unit_link_t& link);

// Opens the window's one link to a unit that find_units listed; whatever
// answers there has yet to identify itself.
bool connect_unit(const QByteArray& name);
