#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <QVector>

#include "cli/cli_status.h"

struct chosen_unit_t;
struct switch_model_t;
struct switch_source_t;

// A switch and a position in the operator's numbering, as the front panel prints it.
struct switch_position_t {
    char sw;
    int position;
};
using switch_positions_t = QVector<switch_position_t>;

// Switch letter to position, as --json prints it and a positions file keeps it.
QJsonObject positions_json(const switch_positions_t& positions);

// Reads words like "A=2"; only their form is checked here.
cli_status_t parse_assignments(const QStringList& words, switch_positions_t& out);

// Refuses switches the model lacks, positions outside its range and a switch
// given twice, so that nothing is sent for a request that cannot be met.
cli_status_t check_for_model(const switch_positions_t& positions, const switch_model_t& model);

// Checks switch letters the operator named against the model.
cli_status_t check_switches(const QByteArray& switches, const switch_model_t& model);

// Reads the positions of the given switches from the identified unit.
cli_status_t read_positions(const chosen_unit_t& unit, const QByteArray& switches,
                            switch_positions_t& out);

// The position of switch sw among the positions, -1 when it is not among them.
int position_in(const switch_positions_t& positions, char sw);

// Sets each switch and reads it back at once, recorded in the switching
// history from the positions read before (empty: not read); fails naming
// each switch that does not hold its position.
cli_status_t apply_positions(const chosen_unit_t& unit, const switch_positions_t& positions,
                             const switch_source_t& source, const switch_positions_t& before);
