#pragma once

#include <QString>
#include <QtGlobal>

// The family's USB identity, as serial ports report it and as VISA resource
// texts carry it.
constexpr quint16 unit_vendor_id = 0xA5C3;
constexpr quint16 unit_product_id = 0x0E21;
constexpr char unit_resource_tag[] = "0xA5C3::0x0E21";

// True for a VISA resource text of a unit of the family.
inline bool is_unit_resource(const QString& resource) {
    return resource.contains(QLatin1String(unit_resource_tag), Qt::CaseSensitive);
}

// The serial number a unit's VISA resource text carries in its fourth field
// ("USB0::0xA5C3::0x0E21::<serial>::INSTR"); empty for any other text.
inline QString unit_resource_serial(const QString& resource) {
    return is_unit_resource(resource) ? resource.section(QLatin1String("::"), 3, 3) : QString();
}
