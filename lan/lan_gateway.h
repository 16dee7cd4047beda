#pragma once

#include <QByteArray>
#include <QString>

// kvt-lan itself, as the device inst0 that a LAN-to-instrument gateway
// offers: LXI clients link there first and ask *IDN?.

// True for the device name inst0, in any case.
bool lan_is_gateway(const QByteArray& device);

// The name inst0's links and lock go under: no unit is ever served under a
// name with '/', so its lock is never a unit's.
extern const char lan_gateway_key[];

// The host name as kvt-lan states it: every byte that is not printable
// ASCII, and every ',' and ';', made '_'; at most 64 bytes; "unknown" for none.
QByteArray lan_host_shown(const QString& host_name);

// "<maker>,kvt-lan,<host>,<version>", the host as lan_host_shown states it.
QByteArray lan_identity(const QString& host_name);

// What inst0 answers a message: the identity and a line feed for *IDN? (in
// any case, with or without "\n" or "\r\n"), nothing for any other.
QByteArray lan_gateway_answer(const QByteArray& message, const QByteArray& identity);
