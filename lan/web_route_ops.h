#pragma once

#include <QString>

#include "lan/web_response.h"
#include "lan/web_unit_ops.h"

class web_unit_calls_t;

// These run on a job thread, as web_unit_ops.h's do; each reads the routes
// file afresh, so what kvtctl route save writes is served at once.

// Every route of the file, as kvtctl route list --json gives it: an array of
// {"name", "active"}, active when it stands on the units now.
web_response_t list_routes(web_unit_calls_t& calls, const QString& routes_path);

// Applies the route: refused before anything is sent when a unit is not
// served, a setting does not fit its model, or a route that excludes it
// stands; else every unit's part at once, and when any fails, the parts the
// others moved are put back.
web_outcome_t apply_route(web_unit_calls_t& calls, const QString& routes_path, const QString& name,
                          const QString& client);
