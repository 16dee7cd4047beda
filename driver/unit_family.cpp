#include "driver/unit_family.h"

#include "driver/unit_identity.h"

namespace {

const QLatin1String field_separator("::");

bool is_board(const QString& field, const char* interface) {
    if (!field.startsWith(QLatin1String(interface), Qt::CaseInsensitive)) {
        return false;
    }
    const QString board = field.mid(int(qstrlen(interface)));
    bool number = board.isEmpty();
    if (!number) {
        board.toUShort(&number, 10);
    }
    return number;
}

bool is_instr(const QString& field) {
    return field.compare(QLatin1String("INSTR"), Qt::CaseInsensitive) == 0;
}

bool is_number(const QString& field) {
    bool number = false;
    field.toUShort(&number, 0);
    return number;
}

// The fields of a USB instrument's text without its class, when the grammar
// reads it: board, vendor, product, serial number and maybe an interface.
QStringList usb_instrument_fields(const QString& resource) {
    QStringList fields = resource_fields(resource);
    if (!fields.isEmpty() && is_instr(fields.last())) {
        fields.removeLast();
    }
    const bool read = (fields.size() == 4 || (fields.size() == 5 && is_number(fields[4]))) &&
                      is_board(fields[0], "USB") && !fields[3].isEmpty();
    return read ? fields : QStringList();
}

}  // namespace

QStringList resource_fields(const QString& resource) {
    QStringList fields;
    QString field;
    bool in_brackets = false;
    for (int i = 0; i < resource.size(); ++i) {
        const QChar c = resource.at(i);
        if (!in_brackets && QStringView(resource).mid(i).startsWith(field_separator)) {
            fields.append(field);
            field.clear();
            ++i;
            continue;
        }
        in_brackets = (in_brackets || c == QLatin1Char('[')) && c != QLatin1Char(']');
        field.append(c);
    }
    fields.append(field);
    return fields;
}

bool is_unit_resource(const QString& resource) {
    // The fields as the family writes them, whatever follows them: a serial
    // number the grammar cannot read still leaves the unit reachable.
    const QStringList fields = resource_fields(resource);
    return fields.size() >= 4 && is_board(fields[0], "USB") &&
           fields[1] == QLatin1String("0xA5C3") && fields[2] == QLatin1String("0x0E21");
}

QString unit_resource_serial(const QString& resource) {
    if (is_unit_resource(resource)) {
        const QStringList fields = usb_instrument_fields(resource);
        return fields.isEmpty() ? QString() : fields[3];
    }
    // kvt-lan serves a unit without a name under its place, which no serial
    // number can be: such a device names none.
    const QStringList fields = resource_fields(resource);
    if (fields.size() == 4 && is_board(fields[0], "TCPIP") && is_instr(fields[3]) &&
        !fields[2].startsWith(QLatin1String("inst"), Qt::CaseInsensitive) &&
        serial_name_refusal(fields[2].toUtf8()).isEmpty()) {
        return fields[2];
    }
    return QString();
}
