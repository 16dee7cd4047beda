#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <map>

#include "lan/lan_errors.h"

// One client's link to one unit, on the connection that made it.
struct lan_link_t {
    quint64 connection = 0;
    QHostAddress host;
    // The name the link was made to, and the serial number its unit stated then.
    QByteArray unit;
    QByteArray serial_number;
    // The message the client is still writing.
    QByteArray unsent;
    // What the unit answered the link's last message, as far as not yet read.
    QByteArray answer;
    // Counts the messages sent; an answer is kept only for the latest one.
    quint64 message = 0;
    // True while the latest message is with the unit.
    bool exchanging = false;
};

// The open links and the units' locks, each held by one link.
class lan_links_t {
public:
    // lan_ok and id set, or lan_out_of_resources when the server, the host
    // or the connection holds all the links it may.
    int add(quint64 connection, const QHostAddress& host, const QByteArray& unit, int& id);
    lan_link_t* find(int id);
    // The link, if it belongs to connection.
    lan_link_t* owned(quint64 connection, int id);
    // Removes the link and its lock; returns the unit it held locked, if any.
    QByteArray remove(int id);
    QList<int> of_connection(quint64 connection) const;

    // The link holding the unit's lock, 0 if none.
    int lock_holder(const QByteArray& unit) const { return locks.value(unit, 0); }
    bool locked_by_other(const QByteArray& unit, int id) const;
    void lock(const QByteArray& unit, int id) { locks.insert(unit, id); }
    void unlock(const QByteArray& unit) { locks.remove(unit); }

private:
    std::map<int, lan_link_t> links;
    QMap<QByteArray, int> locks;
    // An id comes round again only after two thousand million links, and
    // never while its link is open, so a stale id finds nothing.
    int next_id = 1;
};
