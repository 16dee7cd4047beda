#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// One port or VISA resource as kvt-lan last found it.
struct lan_place_t {
    QString where;
    // The serial number its unit goes by; empty while none is known.
    QByteArray claim;
    // Why no unit is known there; empty when one is.
    QString fault;
    // Listed more than once by the last search: more than one unit answers
    // to it, and nothing tells them apart.
    bool shared = false;
};

// What a place is served under, and what is said of it.
struct lan_place_name_t {
    // Empty when it is not served.
    QByteArray name;
    // The line said of a place not served under its serial number; empty
    // for one that is.
    QString said;
};

// The name a unit without a serial name goes by: '_' and where it was
// found, without a leading "/dev/", every character but letters and digits
// made '_'. A serial name never begins with '_', so the two never meet.
QByteArray derived_name(const QString& where);

// Names the places together, in their order: a unit by its serial number
// when that passes the rule and no other unit states it, else by its
// derived name when no other unit's is the same; else it is not served.
QVector<lan_place_name_t> name_places(const QVector<lan_place_t>& places);
