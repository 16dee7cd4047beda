#pragma once

#include <QByteArray>
#include <QString>

// What a run's last restart left open, against the unit the run began on.
struct unit_return_t {
    enum kind_t {
        returned,
        // No session is open: the unit did not come back.
        not_returned,
        // Something other than its serial number answered; its session is closed.
        replaced,
    };
    kind_t kind = returned;
    // replaced: the serial number that answered.
    QByteArray other_serial;

    bool back() const { return kind == returned; }
    // What became of the unit, to follow its name; empty when it is back.
    QString text() const;
};

// chosen: the resource text the run began on; reopened: whether the last
// reopen opened a session. A unit that says its serial number must say the
// one chosen's resource text carries. Anything but the chosen unit is closed
// and reported lost, so nothing later reaches another unit in its name.
unit_return_t check_unit_return(const QByteArray& chosen, bool reopened);
