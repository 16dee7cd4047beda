#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>

#include "driver/unit_discovery.h"

// The units this PC reaches through the core's links (VISA or serial, as the
// window uses them), each named by its serial number. The core holds one
// link at a time, so the unit a call is for is made current first.
class lan_units_t {
public:
    explicit lan_units_t(unit_search_t search) : search(std::move(search)) {}

    // Finds the units and asks each new one its serial number. A unit keeps
    // its name while it restarts, since its link name does not change.
    void rescan();
    QList<QByteArray> serial_numbers() const { return link_names.keys(); }
    bool knows(const QByteArray& serial_number) const { return link_names.contains(serial_number); }
    // Searches again for a unit not known yet (one attached since), but not
    // more often than every search_interval_ms, whatever clients ask for.
    bool find(const QByteArray& serial_number);
    // Opens the unit's link unless it is the current one already.
    bool select(const QByteArray& serial_number);

    static constexpr qint64 search_interval_ms = 2000;

private:
    unit_search_t search;
    QElapsedTimer last_search;
    QMap<QByteArray, QByteArray> link_names;
    QByteArray current;
};

// Writes and reads on the current unit, with the core's pauses and bounds.
bool unit_write(const QByteArray& message);
// The unit's next answer line, its line feed kept.
bool unit_read_line(QByteArray& line);
