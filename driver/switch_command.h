#pragma once

#include <QByteArray>

struct switch_model_t;

// What a command that some client wrote to a unit does to its switches.
struct switch_command_t {
    enum kind_t {
        // Anything else.
        other,
        // The set command of switch sw to position.
        set,
        // The state query of switch sw.
        query,
    };
    kind_t kind = other;
    char sw = '\0';
    int position = 0;
};

// Reads a command as the model's units take it, with or without one
// terminator (a zero byte, a line feed, or CR LF).
switch_command_t read_switch_command(const switch_model_t& model, const QByteArray& command);
