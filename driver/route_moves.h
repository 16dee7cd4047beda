#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include "driver/switch_history.h"

struct switch_model_t;
class drv_unit_t;

// One switch a route sets on a unit, and the position read before.
struct route_move_t {
    char sw = '\0';
    int position = 0;
    int before = -1;
    QString route;
};

struct route_moves_outcome_t {
    // Why a switch did not hold its position; empty when every one did.
    QString failure;
    // The switches moved away from where they stood and left there, each
    // move's position being where it was read back.
    QVector<route_move_t> changed;
    // What putting back did, switch by switch (put_back_moves).
    QStringList put_back;
};

// Moves the unit's switches in turn through move_switch, each recorded
// under its route; at the first switch that does not hold its position it
// stops and puts back every switch it changed.
route_moves_outcome_t apply_route_moves(const switch_model_t& model, drv_unit_t& unit,
                                        const QVector<route_move_t>& moves,
                                        const switch_source_t& source);

// Moves each changed switch back to its position before, last changed
// first, and reads it back; says switch by switch how that went ("A=1",
// "A not put back to 1 (reads 2)").
QStringList put_back_moves(const switch_model_t& model, drv_unit_t& unit,
                           const QVector<route_move_t>& changed, const switch_source_t& source);
