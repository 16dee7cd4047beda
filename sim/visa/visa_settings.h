#pragma once

#include <QString>
#include <QVector>

#include "driver/visa_types.h"
#include "sim/sim_unit_config.h"

// The stand-in's configuration, read from its own environment variables:
//   KVT_VISA_UNITS       simulated units in kvt-sim's list form (default: one of each model)
//   KVT_VISA_TIMEOUT_MS  I/O timeout of new sessions in milliseconds (default 2000)
//   KVT_VISA_RM_WARNING  "1": the resource manager opens with a warning status
// Longest I/O timeout a session takes, in milliseconds; longer waits would
// only hide a unit that never answers.
constexpr ViUInt32 visa_longest_timeout_ms = 600000;

struct visa_settings_t {
    QVector<sim_unit_config_t> units;
    ViUInt32 timeout_ms = 2000;
    bool rm_warning = false;
    // Empty when the environment could be read.
    QString error;
};

visa_settings_t visa_settings_from_environment();
