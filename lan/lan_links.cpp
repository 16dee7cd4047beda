#include "lan/lan_links.h"

#include <algorithm>

int lan_links_t::create(int client, const QByteArray& device, bool lock, int& id) {
    if (count_of(client) >= lan_links_per_client || links.size() >= lan_links_in_all) {
        return lan_out_of_resources;
    }
    if (!units.find(device)) {
        return lan_not_accessible;
    }
    if (lock && locks.contains(device)) {
        return lan_locked_by_other;
    }
    // Ids are never reused while the server runs, so a stale id finds nothing.
    id = next_id++;
    link_t& link = links[id];
    link.client = client;
    link.unit = device;
    link.last_used.start();
    if (lock) {
        locks.insert(device, id);
    }
    return lan_ok;
}

int lan_links_t::destroy(int id) {
    if (!links.contains(id)) {
        return lan_invalid_link;
    }
    const QByteArray unit = links.value(id).unit;
    if (locks.value(unit, 0) == id) {
        locks.remove(unit);
    }
    links.remove(id);
    return lan_ok;
}

bool lan_links_t::owns(int client, int id) const {
    const auto link = links.constFind(id);
    return link != links.cend() && link->client == client;
}

int lan_links_t::count_of(int client) const {
    return int(std::count_if(links.cbegin(), links.cend(),
                             [client](const link_t& link) { return link.client == client; }));
}

int lan_links_t::reach(int id, link_t*& link) {
    const auto found = links.find(id);
    if (found == links.end()) {
        return lan_invalid_link;
    }
    link = &*found;
    link->last_used.start();
    const int holder = locks.value(link->unit, id);
    if (holder != id) {
        return lan_locked_by_other;
    }
    return units.select(link->unit) ? lan_ok : lan_io_error;
}

int lan_links_t::write(int id, const QByteArray& data, bool end) {
    link_t* link = nullptr;
    const int error = reach(id, link);
    if (error != lan_ok) {
        return error;
    }
    if (link->unsent.size() + data.size() > lan_max_message) {
        link->unsent.clear();
        return lan_parameter_error;
    }
    link->unsent += data;
    return end ? send(*link) : lan_ok;
}

int lan_links_t::send(link_t& link) {
    const QByteArray message = link.unsent;
    link.unsent.clear();
    // A new command's answer replaces what was left unread of the last one.
    link.unread.clear();
    return unit_write(message) ? lan_ok : lan_io_error;
}

lan_read_t lan_links_t::read(int id, int request_size, bool term_char_set, char term_char) {
    lan_read_t result;
    link_t* link = nullptr;
    result.error = reach(id, link);
    if (result.error != lan_ok) {
        return result;
    }
    // A client that reads has ended its message, END flag or not: some
    // clients leave it off writes longer than a kilobyte.
    if (!link->unsent.isEmpty()) {
        result.error = send(*link);
        if (result.error != lan_ok) {
            return result;
        }
    }
    if (link->unread.isEmpty() && !unit_read_line(link->unread)) {
        result.error = lan_io_timeout;
        return result;
    }
    int size = std::min({request_size, lan_max_message, int(link->unread.size())});
    if (term_char_set) {
        const int at = link->unread.indexOf(term_char);
        if (at >= 0 && at < size) {
            size = at + 1;
            result.reason |= lan_reason_term_char;
        }
    }
    result.data = link->unread.left(size);
    link->unread.remove(0, size);
    if (link->unread.isEmpty() && result.data.endsWith('\n')) {
        result.reason |= lan_reason_end;
    }
    if (size == request_size) {
        result.reason |= lan_reason_request_count;
    }
    return result;
}

int lan_links_t::clear(int id) {
    link_t* link = nullptr;
    const int error = reach(id, link);
    if (error == lan_ok) {
        link->unsent.clear();
        link->unread.clear();
    }
    return error;
}

int lan_links_t::lock(int id) {
    const auto found = links.constFind(id);
    if (found == links.cend()) {
        return lan_invalid_link;
    }
    const int holder = locks.value(found->unit, id);
    if (holder != id) {
        return lan_locked_by_other;
    }
    locks.insert(found->unit, id);
    return lan_ok;
}

int lan_links_t::unlock(int id) {
    const auto found = links.constFind(id);
    if (found == links.cend()) {
        return lan_invalid_link;
    }
    if (locks.value(found->unit, 0) != id) {
        return lan_no_lock_held;
    }
    locks.remove(found->unit);
    return lan_ok;
}

void lan_links_t::drop_client(int client) {
    for (const int id : links.keys()) {
        if (links.value(id).client == client) {
            destroy(id);
        }
    }
}

void lan_links_t::drop_idle() {
    for (const int id : links.keys()) {
        if (links.value(id).last_used.hasExpired(lan_idle_link_ms)) {
            destroy(id);
        }
    }
}
