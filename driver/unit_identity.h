#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// A unit is known by where it was found (its port or resource) and by what
// it said of itself. Its serial number is text the unit sends, possibly a
// clone's, a worn memory's or a hostile device's: it serves as the unit's
// name (a kvt-lan device, --unit, a file in a rack folder) only when it
// passes the rule below and no other unit found states it too.
struct unit_identity_t {
    QString where;
    // As stated, without the blanks around it.
    QByteArray serial_number;
};

// The longest serial number that serves as a name.
constexpr int unit_name_longest = 64;

// The rule every name follows, a unit's or a route's: 1 to unit_name_longest
// letters, digits, '-', '_' and '.', beginning with a letter or a digit.
bool is_name(const QByteArray& text);

// Empty when the serial number may serve as a name: 1 to 64 letters, digits,
// '-', '_' and '.', beginning with a letter or a digit. Else why it may not.
QString serial_name_refusal(const QByteArray& serial_number);

// What a unit found among others goes by: its serial number, or no name and why.
struct unit_name_t {
    QString name;
    QString why_unnamed;
};

// Names the units found together, in their order. Units that state the same
// serial number are all left unnamed, each told where the others are; so is
// a unit whose place another unit was found at too, since nothing tells
// them apart there.
QVector<unit_name_t> name_units(const QVector<unit_identity_t>& units);

// Why a place listed more than once is used for none of its units; empty
// when it was listed once.
QString shared_place_refusal(const QStringList& found, const QString& where);

// Text a unit sent, as it may be shown: printable ASCII as it is, a
// backslash and every other byte as \xNN, so no terminal, page or file sees
// a control character and no two texts look the same.
QString shown_text(const QByteArray& text);
