#include "sim/visa/visa_resource_text.h"

#include <QStringList>

namespace {

struct interface_row_t {
    const char* prefix;
    ViUInt16 type;
};
// Longer prefixes first: "GPIB-VXI" before "GPIB".
constexpr interface_row_t interfaces[] = {
    {"GPIB-VXI", 3}, {"GPIB", 1}, {"VXI", 2}, {"ASRL", 4}, {"PXI", 5}, {"TCPIP", 6}, {"USB", 7},
};
constexpr ViUInt16 usb_interface = 7;

const QStringList resource_classes = {
    "INSTR", "RAW", "SOCKET", "INTFC", "BACKPLANE", "MEMACC", "SERVANT",
};

QStringList fields_of(const QByteArray& text) {
    return QString::fromLatin1(text).toUpper().split(QStringLiteral("::"));
}

// Numbers may be written in decimal or with "0x".
QString number_text(const QString& field) {
    bool ok = false;
    const uint number = field.toUInt(&ok, 0);
    return ok ? QString::number(number) : field;
}

QString canonical(const QByteArray& text) {
    visa_resource_parts_t parts;
    QStringList fields = fields_of(text);
    if (!visa_parse_resource_text(text, parts) || parts.interface_type != usb_interface) {
        return fields.join(QStringLiteral("::"));
    }
    fields.first() = QStringLiteral("USB%1").arg(parts.board);
    if (!resource_classes.contains(fields.last())) {
        fields.append(QString::fromLatin1(parts.resource_class));
    }
    // Board, vendor, product, serial number, then the optional interface number.
    if (fields.size() == 5) {
        fields.insert(4, QStringLiteral("0"));
    }
    for (int i : {1, 2, 4}) {
        if (i < fields.size()) {
            fields[i] = number_text(fields[i]);
        }
    }
    return fields.join(QStringLiteral("::"));
}

}  // namespace

bool visa_parse_resource_text(const QByteArray& text, visa_resource_parts_t& parts) {
    const QStringList fields = fields_of(text);
    for (const interface_row_t& row : interfaces) {
        if (!fields.first().startsWith(QLatin1String(row.prefix))) {
            continue;
        }
        const QString board = fields.first().mid(int(qstrlen(row.prefix)));
        bool ok = board.isEmpty();
        const ushort number = ok ? 0 : board.toUShort(&ok);
        if (!ok) {
            return false;
        }
        // The class is written last and may be left out for an instrument.
        const bool has_class = fields.size() > 1 && resource_classes.contains(fields.last());
        parts = {row.type, number, has_class ? fields.last().toLatin1() : QByteArray("INSTR")};
        return true;
    }
    return false;
}

bool visa_same_resource(const QByteArray& a, const QByteArray& b) {
    return canonical(a) == canonical(b);
}

void visa_copy_text(const QByteArray& text, ViChar* buffer) {
    qstrncpy(buffer, text.constData(), VI_FIND_BUFLEN);
}
