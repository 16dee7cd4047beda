#pragma once

#include <QStringList>
#include <QtGlobal>

// kvt-image: makes upgrade images and shows what one holds.

enum kvt_image_exit_t { exit_ok = 0, exit_refused = 1, exit_usage = 2 };

// How a section is named on the command line and shown by "show".
struct section_name_t {
    const char* name;
    quint32 type;
    bool text;  // the argument is the data itself, not a file to read
};
extern const section_name_t section_names[7];
const char* section_type_name(quint32 type);

// Each takes the arguments after its command word.
int make_image_command(const QStringList& args);
int show_image_command(const QStringList& args);
