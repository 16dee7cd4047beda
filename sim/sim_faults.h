#pragma once

#include <QByteArray>

#include "sim/answer_piece.h"
#include "sim/sim_unit_config.h"

// Turns one answer line (ending in its line feed) into what goes on the wire
// under the unit's faults.
answer_t sim_shape_answer(const QByteArray& line, const sim_faults_t& faults);

// Length of a line under the over-long fault, line feed included.
constexpr int sim_overlong_size = 72;
