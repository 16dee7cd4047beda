#pragma once

#include <QByteArray>
#include <QMutex>
#include <QVector>
#include <QtGlobal>

// Shows how far the upgrades of one run have come, on standard error: one
// bar per unit redrawn in place on a terminal, plain lines at every tenth
// otherwise, nothing under --json. Each unit's worker reports from its own
// thread.
class upgrade_progress_t {
public:
    enum class style_t { bar, lines, quiet };
    // The units are named when there may be several.
    upgrade_progress_t(style_t style, bool several);

    // A row for a unit's progress; its number for the calls below.
    int add_unit(const QByteArray& unit);
    void begin_section(int row, ulong total, uint type);
    void advance(int row, ulong done);

    // A bar when standard error is a terminal, else plain lines.
    static style_t style_for_output(bool json);

private:
    struct row_t {
        QByteArray unit;
        QByteArray section;
        ulong total = 0;
        int percent = -1;
    };
    void show(row_t& row, ulong done);
    QByteArray text(const row_t& row) const;
    void redraw();

    QMutex mutex;
    style_t style;
    bool several;
    QVector<row_t> rows;
    int rows_drawn = 0;
};
