#pragma once

#include <QString>
#include <QStringList>

#include "cli/cli_status.h"

// One run of a command: the unit asked for and the command's own arguments.
struct invocation_t {
    QString unit;
    bool json = false;
    QStringList arguments;
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

// Every command, in the order the help lists them; null when there is none of that name.
const command_t* find_command(const QString& name);
QString command_summaries();
