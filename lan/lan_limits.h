#pragma once

#include "vxi11.h"

// What kvt-lan takes from its clients, and how long it waits for them and
// for the units. lan/README.md states the same figures.

// The bytes of one message to a unit, and of one read's answer; create_link
// offers it as maxRecvSize.
constexpr int lan_max_message = 16384;
// One RPC record: a write of a whole message with its headers and the
// largest credentials a call may carry.
constexpr int lan_max_record = VXI11_ARGUMENT_MAX;
static_assert(lan_max_record >= lan_max_message + 1024, "a whole write fits a record");

// Connections at once (core and abort channels together), and links.
constexpr int lan_max_connections = 64;
constexpr int lan_max_links = 64;
constexpr int lan_links_per_connection = 8;
// One host holds at most a quarter of the connections and of the links.
constexpr int lan_connections_per_host = lan_max_connections / 4;
constexpr int lan_links_per_host = lan_max_links / 4;
// A connection that has sent no call for this long is closed, its links and
// its lock with it.
constexpr int lan_idle_connection_ms = 10 * 60 * 1000;

// The longest a call waits for its unit (io_timeout), and for another
// link's lock (lock_timeout); a client asking for more gets this much.
constexpr int lan_longest_io_ms = 10 * 1000;
constexpr int lan_longest_lock_wait_ms = 10 * 60 * 1000;

// A search for units attached since starts at most this often, whatever
// names clients ask for.
constexpr int lan_search_interval_ms = 2000;
