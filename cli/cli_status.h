#pragma once

#include <QString>

// How a run of kvtctl ends: success, a unit or a file that failed, or a
// request that could not be carried out as given.
constexpr int exit_ok = 0;
constexpr int exit_unit_failure = 1;
constexpr int exit_usage = 2;
// As a shell reports a program ended by Ctrl-C.
constexpr int exit_interrupted = 130;

struct cli_status_t {
    int code = exit_ok;
    // One line: what went wrong and, where one is involved, on which unit.
    QString error;

    bool ok() const { return code == exit_ok; }
};

inline cli_status_t unit_failure(const QString& error) {
    return {exit_unit_failure, error};
}

// A file that could not be read or written, named as the operator gave it.
inline cli_status_t file_failure(const QString& file, const QString& what) {
    return {exit_unit_failure, file + QStringLiteral(": ") + what};
}

inline cli_status_t usage_error(const QString& error) {
    return {exit_usage, error};
}
