#pragma once

#include <QByteArray>
#include <QString>

class visa_link_t;

// What a run's last restart left open, against the unit the run began on.
struct unit_return_t {
    enum kind_t {
        returned,
        // No session is open: the unit did not come back.
        not_returned,
        // A session is open, but nothing there said a serial number.
        unnamed,
        // Something other than its serial number answered; its session is closed.
        replaced,
        // It did not say its serial number before the run, so nothing was sent:
        // its restarts could not have been followed.
        unfollowed,
    };
    kind_t kind = returned;
    // replaced: the serial number that answered.
    QByteArray other_serial;

    bool back() const { return kind == returned; }
    // What became of the unit, to follow its name; empty when it is back.
    QString text() const;
};

// Takes the serial number of the unit the link is open on to follow it across
// its restarts: its answer to "SN?", in full. False without an answer, or
// when the unit's resource names another serial number.
bool follow_unit(visa_link_t& link);

// chosen: the resource text the run began on; reopened: whether the last
// reopen found the unit, which it does only when the unit says the serial
// number it was followed by in full. Anything but the chosen unit is closed
// and reported lost, so nothing later reaches another unit in its name.
unit_return_t check_unit_return(visa_link_t& link, const QByteArray& chosen, bool reopened);
