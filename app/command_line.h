#pragma once

#include <QString>
#include <QStringList>

#include "driver/unit_discovery.h"

// What the command line asks of the program.
struct command_line_t {
    enum action_t {
        // Start the window.
        show_window,
        // Print text (help or version) to standard output and end with 0.
        print_text,
        // Print text (what was wrong) to standard error and end with 2.
        usage_error,
    };
    action_t action = show_window;
    QString text;
    // Where Rescan looks besides the units' own ports and resources.
    unit_search_t search;
};

// Reads main's arguments, the program name first, before any application
// object exists, so that help, the version and an unknown option need no
// display. The toolkit's own options (-platform, -style, ...) pass for the
// application object to take.
command_line_t read_command_line(const QStringList& arguments);
