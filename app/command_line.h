#pragma once

#include <QStringList>

#include "driver/unit_discovery.h"

// True when main's arguments ask only for a text that needs no window
// (--help, --version); apply_command_line then prints it.
bool asks_only_for_text(int argc, char** argv);

// Reads the program's options from the full argument list, the program name
// first; --help, --version, and an option it does not know, end the process
// with a text. The result is where Rescan looks besides the units' own.
unit_search_t apply_command_line(const QStringList& arguments);
