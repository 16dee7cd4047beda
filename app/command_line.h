#pragma once

#include <QStringList>

// Reads the program's options from the full argument list, the program name
// first; --help, and an option it does not know, end the process with a text.
void apply_command_line(const QStringList& arguments);
