#pragma once

#include <QString>

// What a request to open the open-source acknowledgment came to.
enum class help_open_t { started, already_running, no_document, no_viewer };

// The acknowledgment document's absolute path: under the working directory
// first, else in the data folder installed beside the program. Empty when
// neither holds it.
QString acknowledgment_document(const QString& working_dir, const QString& program_dir);

// Opens the acknowledgment in the platform's viewer. One viewer process serves
// the whole run: while it runs, further requests start nothing.
help_open_t open_acknowledgment_help();

// Runs another program as the viewer; tests put a harmless stand-in here.
void set_help_viewer_program(const QString& program);
