#pragma once

#include <QObject>
#include <QString>

// Tells the program about a unit that the link found gone: its serial port
// reported an error or vanished, or its VISA session lost the resource. The
// link is closed by then, so every later operation fails at once.
class link_events_t : public QObject {
    Q_OBJECT
signals:
    void unit_lost(const QString& name);
};

// The one announcer; never destroyed, like the links it speaks for.
link_events_t& link_events();
