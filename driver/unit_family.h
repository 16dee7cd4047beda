#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The family's USB identity, as serial ports report it and as VISA resource
// texts carry it.
constexpr quint16 unit_vendor_id = 0xA5C3;
constexpr quint16 unit_product_id = 0x0E21;
constexpr char unit_resource_tag[] = "0xA5C3::0x0E21";

// The fields of a VISA resource text, split at "::" as the resource grammar
// reads it: never inside an IPv6 host address's brackets.
QStringList resource_fields(const QString& resource);

// True for a VISA resource text of a unit of the family:
// "USB<board>::0xA5C3::0x0E21::<serial>[::<interface>][::INSTR]".
bool is_unit_resource(const QString& resource);

// The serial number a unit's VISA resource text names, read by the grammar:
// the serial field of a USB unit's and the device name of a network unit's as
// kvt-lan serves it ("TCPIP0::<host>::<serial>::INSTR"). Empty for any other
// text, a VXI-11 instrument's generic "inst0" and a device name that is no
// serial number (kvt-lan's place names) included, and for a text the grammar
// does not read (a serial number holding "::"), so a unit named so must say
// its serial number itself.
QString unit_resource_serial(const QString& resource);
