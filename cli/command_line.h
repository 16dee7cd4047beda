#pragma once

#include <QStringList>

// Runs kvtctl with its program arguments (the program name first) and gives
// the exit status: 0 done, 1 a unit failed, 2 a usage error.
int run_kvtctl(const QStringList& arguments);
