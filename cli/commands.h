#pragma once

#include <QString>
#include <QStringList>

#include "cli/cli_status.h"
#include "cli/unit_choice.h"
#include "driver/unit_discovery.h"

// One run of a command: the units asked for and the command's own arguments.
struct invocation_t {
    // Serial numbers, resources or ports; empty for the first unit found.
    QStringList units;
    // Every unit found.
    bool all = false;
    bool json = false;
    QStringList arguments;
    // Where to look besides the units' own ports and resources.
    unit_search_t search;
    // How long a slow unit is given for its answers; 0 keeps each link's own.
    int timeout_ms = 0;
    // history's times, as given; empty when not given.
    QString since;
    QString prune_before;
    // route's file; empty for the default one.
    QString routes_file;

    // Results then come one per unit: text in blocks, JSON in an array.
    bool several() const { return all || units.size() > 1; }
};

struct command_t {
    const char* name;
    // The command's arguments, as its usage line shows them.
    const char* syntax;
    const char* summary;
    const char* details;
    int min_arguments;
    // -1: no limit.
    int max_arguments;
    cli_status_t (*run)(const invocation_t& call);
};

// Runs the action on every unit the call names and prints each result: as
// it is for one unit; for several, text in a block under each unit's name
// and JSON as one array, every unit that failed named on a line of its own.
cli_status_t run_each(const invocation_t& call, bool identify, const unit_action_t& action);

// Every command, in the order the help lists them; null when there is none of that name.
const command_t* find_command(const QString& name);
QString command_summaries();
