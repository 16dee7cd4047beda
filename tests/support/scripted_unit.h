#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <memory>

#include "sim/pty_server.h"
#include "sim/sim_unit.h"

// The unit side of a link for the test suites: units that answer from a
// script, and simulated units, each behind its own pseudo-terminal.

// One answer line, sent at once.
inline answer_t answer_line(const QByteArray& text) {
    return {{0, text + '\n'}};
}

// A unit that answers each command in the table the same every time and
// stays silent on any other.
inline pty_server_t::handler_t answering(const QMap<QByteArray, QByteArray>& table) {
    return [table](const QByteArray& command) {
        return table.contains(command) ? answer_line(table.value(command)) : answer_t{};
    };
}

// A unit that answers each command with the next line scripted for it and
// stays silent once its lines are used up or for commands it does not know.
inline pty_server_t::handler_t scripted(QMap<QByteArray, QList<QByteArray>> lines) {
    auto left = std::make_shared<QMap<QByteArray, QList<QByteArray>>>(std::move(lines));
    return [left](const QByteArray& command) {
        QList<QByteArray>& queue = (*left)[command];
        return queue.isEmpty() ? answer_t{} : answer_line(queue.takeFirst());
    };
}

// The simulated unit's own answers; the caller may keep the unit to look at it.
inline pty_server_t::handler_t simulated(std::shared_ptr<sim_unit_t> unit) {
    return [unit](const QByteArray& command) { return unit->handle(command); };
}

// A simulated unit served on its own pseudo-terminal.
struct served_unit_t {
    explicit served_unit_t(const sim_unit_config_t& config)
        : unit(std::make_shared<sim_unit_t>(config)), server(simulated(unit)) {}

    std::shared_ptr<sim_unit_t> unit;
    pty_server_t server;
};
