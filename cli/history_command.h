#pragma once

#include "cli/cli_status.h"

struct invocation_t;

// The switching history: its records (or, with --prune-before, removing the
// old ones) and how often each switch moved.
cli_status_t run_history(const invocation_t& call);
cli_status_t run_wear(const invocation_t& call);
