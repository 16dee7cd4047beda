#pragma once

#include "cli/cli_status.h"

struct invocation_t;

// Sends an upgrade image to the unit as the upgrade dialog does, after the
// same check of the file, and reports how far it has come.
cli_status_t run_upgrade(const invocation_t& call);
