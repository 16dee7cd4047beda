#include "lan/lan_links.h"

#include <algorithm>
#include <limits>

#include "lan/lan_host.h"
#include "lan/lan_limits.h"

int lan_links_t::add(quint64 connection, const QHostAddress& host, const QByteArray& unit,
                     int& id) {
    const auto count = [this](auto same) {
        return int(std::count_if(links.cbegin(), links.cend(),
                                 [&same](const auto& entry) { return same(entry.second); }));
    };
    if (int(links.size()) >= lan_max_links || count([&host](const lan_link_t& link) {
                                                  return lan_host_of(link.host) ==
                                                         lan_host_of(host);
                                              }) >= lan_links_per_host ||
        count([connection](const lan_link_t& link) { return link.connection == connection; }) >=
            lan_links_per_connection) {
        return lan_out_of_resources;
    }
    do {
        id = next_id;
        next_id = next_id == std::numeric_limits<int>::max() ? 1 : next_id + 1;
    } while (links.count(id) != 0);
    lan_link_t& link = links[id];
    link.connection = connection;
    link.host = host;
    link.unit = unit;
    return lan_ok;
}

lan_link_t* lan_links_t::find(int id) {
    const auto found = links.find(id);
    return found == links.end() ? nullptr : &found->second;
}

lan_link_t* lan_links_t::owned(quint64 connection, int id) {
    lan_link_t* link = find(id);
    return link != nullptr && link->connection == connection ? link : nullptr;
}

QByteArray lan_links_t::remove(int id) {
    const auto found = links.find(id);
    if (found == links.end()) {
        return {};
    }
    const QByteArray unit = found->second.unit;
    links.erase(found);
    if (lock_holder(unit) != id) {
        return {};
    }
    unlock(unit);
    return unit;
}

QList<int> lan_links_t::of_connection(quint64 connection) const {
    QList<int> ids;
    for (const auto& entry : links) {
        if (entry.second.connection == connection) {
            ids.append(entry.first);
        }
    }
    return ids;
}

bool lan_links_t::locked_by_other(const QByteArray& unit, int id) const {
    const int holder = lock_holder(unit);
    return holder != 0 && holder != id;
}
