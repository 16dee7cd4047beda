#pragma once

#include <string>

// A client of a simulated unit's pseudo-terminal made of system calls alone:
// what any program pays for a command and its answer, the yardstick of
// Quillon's serial link.

// The open descriptor, or -1.
int bare_open(const std::string& port);
void bare_close(int fd);
// Drops what waits and whatever comes until the line has been quiet this long.
void bare_settle(int fd, int quiet_ms);
// Writes the command and reads through the answer's line feed; false when
// the answer does not end within the unit's answer time.
bool bare_query(int fd, const std::string& command);
