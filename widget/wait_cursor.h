#pragma once

#include <QApplication>
#include <QCursor>

// The wait cursor while the GUI thread waits on a unit, so a slow unit does
// not look like a frozen program.
class wait_cursor_t {
public:
    wait_cursor_t() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~wait_cursor_t() { QApplication::restoreOverrideCursor(); }
    wait_cursor_t(const wait_cursor_t&) = delete;
    wait_cursor_t& operator=(const wait_cursor_t&) = delete;
};
