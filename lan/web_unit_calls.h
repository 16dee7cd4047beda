#pragma once

#include <QByteArray>
#include <atomic>

#include "lan/unit_exchange.h"

class lan_units_t;

// How long the web face waits for one answer of a unit.
constexpr int web_answer_ms = 2000;
// How long a unit's part of a route may take, its turn included.
constexpr int route_part_ms = 10000;

// Blocking calls from a job thread into lan_units_t on its own thread; each
// wait is bounded and gives up at once while stopping is set.
class web_unit_calls_t {
public:
    web_unit_calls_t(lan_units_t& units, const std::atomic<bool>& stopping)
        : units(units), stopping(stopping) {}

    // The serial number the unit served under name has now; empty when none.
    QByteArray verify(const QByteArray& name);
    // One command on the unit's worker; line is its answer, line feed kept.
    bool exchange(const QByteArray& name, const QByteArray& serial, const QByteArray& command,
                  QByteArray& line);
    // Moves a switch on the unit's worker; false when no result came in time.
    bool move(const QByteArray& name, const QByteArray& serial, char sw, int position,
              const QString& client, lan_move_result_t& out);
    // The unit's part of a route on its worker, or with back its putting back.
    bool route_part(const QByteArray& name, const QByteArray& serial,
                    const QVector<route_move_t>& moves, bool back, const QString& client,
                    lan_route_result_t& out);

private:
    lan_units_t& units;
    const std::atomic<bool>& stopping;
};
