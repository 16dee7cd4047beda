#pragma once

#include "cli/cli_status.h"

struct invocation_t;

// The routes file's routes: which stand on the units now, applying some at
// once, and saving what units hold now as a route.
cli_status_t run_route(const invocation_t& call);
