#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMap>

#include "lan/lan_units.h"

// VXI-11 error codes that kvt-lan gives.
enum lan_error_t : int {
    lan_ok = 0,
    lan_not_accessible = 3,
    lan_invalid_link = 4,
    lan_parameter_error = 5,
    lan_not_supported = 8,
    lan_out_of_resources = 9,
    lan_locked_by_other = 11,
    lan_no_lock_held = 12,
    lan_io_timeout = 15,
    lan_io_error = 17,
    lan_aborted = 23,
};

// Reasons a read ends, as VXI-11 flags them.
constexpr int lan_reason_request_count = 1;
constexpr int lan_reason_term_char = 2;
constexpr int lan_reason_end = 4;

// Bounds on what clients may hold.
constexpr int lan_max_message = 16384;
constexpr int lan_links_per_client = 8;
constexpr int lan_links_in_all = 32;
constexpr qint64 lan_idle_link_ms = 10 * 60 * 1000;
constexpr unsigned long lan_longest_lock_wait_ms = 10 * 60 * 1000;

struct lan_read_t {
    int error = lan_ok;
    int reason = 0;
    QByteArray data;
};

// The open links: each belongs to one client connection and one unit, and
// holds that unit's exclusive lock or not.
class lan_links_t {
public:
    explicit lan_links_t(lan_units_t& units) : units(units) {}

    // error is lan_ok and id set, or the reason no link was made.
    int create(int client, const QByteArray& device, bool lock, int& id);
    int destroy(int id);
    // data goes to the unit when the message ends (end set), as one command.
    int write(int id, const QByteArray& data, bool end);
    lan_read_t read(int id, int request_size, bool term_char_set, char term_char);
    int clear(int id);
    int lock(int id);
    int unlock(int id);
    bool exists(int id) const { return links.contains(id); }
    // A link's id is known and the call comes over the connection that made it.
    bool owns(int client, int id) const;
    // A client's connection closed: its links and locks go.
    void drop_client(int client);
    void drop_idle();

private:
    struct link_t {
        int client = -1;
        QByteArray unit;
        QByteArray unsent;
        QByteArray unread;
        QElapsedTimer last_used;
    };
    // Writes the link's message to its unit.
    int send(link_t& link);
    // lan_ok once the link may use its unit and the unit is current.
    int reach(int id, link_t*& link);
    int count_of(int client) const;

    lan_units_t& units;
    QMap<int, link_t> links;
    // Serial number -> id of the link holding its lock.
    QMap<QByteArray, int> locks;
    int next_id = 1;
};
