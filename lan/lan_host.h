#pragma once

#include <QHostAddress>

// The machine an address stands for, as the per-host shares count it: every
// loopback address is this one machine, and an IPv4-mapped IPv6 address is
// its IPv4 address, so one client cannot pass for several hosts.
QHostAddress lan_host_of(const QHostAddress& address);

// The address of the peer of an accepted socket; null when it has none.
QHostAddress lan_peer_of(qintptr descriptor);
