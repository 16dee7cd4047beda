#pragma once

#include <QByteArray>
#include <QtGlobal>

// Shows how far an upgrade has come: a bar redrawn in place on a terminal,
// plain lines at every tenth otherwise, nothing under --json.
class upgrade_progress_t {
public:
    enum class style_t { bar, lines, quiet };
    explicit upgrade_progress_t(style_t style);

    void begin_section(ulong total, uint type);
    void advance(ulong done);
    // Ends the line of a bar left unfinished.
    void finish();

    // A bar when standard output is a terminal, else plain lines.
    static style_t style_for_output(bool json);

private:
    void show(ulong done);

    style_t style;
    QByteArray section;
    ulong total = 0;
    int shown_percent = -1;
    bool bar_open = false;
};
