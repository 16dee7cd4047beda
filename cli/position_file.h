#pragma once

#include <QByteArray>
#include <QString>

#include "cli/cli_status.h"
#include "cli/switch_positions.h"

// All positions of one unit, kept in a small JSON file:
//   {"model": "KVT0402Q", "serial_number": "KVT2024001",
//    "positions": {"A": 1, "B": 2, "C": 1, "D": 1}}
struct position_file_t {
    QByteArray model;
    QByteArray serial_number;
    switch_positions_t positions;
};

// Both fail naming the file when it cannot be written or read. The path "-"
// is standard output for a save and standard input for a load.
inline bool names_standard_stream(const QString& path) {
    return path == QLatin1String("-");
}

// Replaces the file as a whole, so a failed save leaves the old one.
cli_status_t save_position_file(const QString& path, const position_file_t& file);

// Checks the file's form; whether it fits a unit is the caller's matter.
cli_status_t load_position_file(const QString& path, position_file_t& file);

// The file a load reads from, as error lines name it.
QString source_name(const QString& path);
