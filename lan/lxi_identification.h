#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>

// Where a client reached kvt-lan, and what it serves there.
struct lxi_reach_t {
    QHostAddress address;
    quint16 web_port = 0;
    // The names units are served under.
    QList<QByteArray> units;
};

// The VISA resource text of the device name at address.
QString lxi_resource(const QHostAddress& address, const QByteArray& device);

// The LXI identification document (namespace
// http://www.lxistandard.org/InstrumentIdentification/1.0): kvt-lan as the
// device, inst0 as its address, each unit as a connected device by its
// resource text.
QByteArray lxi_identification(const lxi_reach_t& reach);
