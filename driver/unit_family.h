#pragma once

#include <QString>
#include <QStringList>
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

// The serial number a unit's VISA resource text names: the fourth field of a
// USB unit's ("USB0::0xA5C3::0x0E21::<serial>::INSTR") and the device name of
// a network unit's as kvt-lan serves it ("TCPIP0::<host>::<serial>::INSTR");
// empty for any other text, a VXI-11 instrument's generic "inst0" included.
inline QString unit_resource_serial(const QString& resource) {
    if (is_unit_resource(resource)) {
        return resource.section(QLatin1String("::"), 3, 3);
    }
    const QStringList fields = resource.split(QLatin1String("::"));
    if (fields.size() == 4 && fields[0].startsWith(QLatin1String("TCPIP")) &&
        fields[3] == QLatin1String("INSTR") && !fields[2].startsWith(QLatin1String("inst"))) {
        return fields[2];
    }
    return QString();
}
