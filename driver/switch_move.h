#pragma once

#include "driver/switch_history.h"
#include "driver/switch_model.h"

// The one way every front end moves a switch: sends the set command of
// switch sw, then its state query, to a unit identified as this model, and
// records in the switching history what the unit then reports. from is the
// position the caller last read of that switch, -1 when it read none. A
// history that cannot be written costs one line on standard error per kind
// of failure and run, never the move.
switch_report_t move_switch(const switch_model_t& model, drv_unit_t& unit, char sw, int position,
                            int from, const switch_source_t& source);

// Records a switch set by another's command and read back here with
// read_switch, as move_switch records its own; nothing when no position was
// read back.
void record_read_back(const switch_model_t& model, const drv_unit_t& unit, char sw, int from,
                      const switch_report_t& report, const switch_source_t& source);
