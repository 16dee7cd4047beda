#include "driver/unit_identity.h"

#include <algorithm>

namespace {

bool is_name_start(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool is_name_char(char c) {
    return is_name_start(c) || c == '-' || c == '_' || c == '.';
}

}  // namespace

bool is_name(const QByteArray& text) {
    return !text.isEmpty() && text.size() <= unit_name_longest && is_name_start(text.front()) &&
           std::all_of(text.cbegin(), text.cend(), is_name_char);
}

QString serial_name_refusal(const QByteArray& serial_number) {
    if (serial_number.isEmpty()) {
        return QStringLiteral("states no serial number");
    }
    if (serial_number.size() > unit_name_longest) {
        return QStringLiteral("states a serial number longer than %1 characters")
            .arg(unit_name_longest);
    }
    if (!is_name(serial_number)) {
        return QStringLiteral(
                   "states serial number \"%1\", which is not a name: a name is letters, "
                   "digits, '-', '_' and '.', beginning with a letter or a digit")
            .arg(shown_text(serial_number));
    }
    return QString();
}

QVector<unit_name_t> name_units(const QVector<unit_identity_t>& units) {
    QStringList places;
    for (const unit_identity_t& unit : units) {
        places.append(unit.where);
    }
    QVector<unit_name_t> names(units.size());
    for (int i = 0; i < units.size(); ++i) {
        unit_name_t& named = names[i];
        named.why_unnamed = shared_place_refusal(places, units[i].where);
        if (named.why_unnamed.isEmpty()) {
            named.why_unnamed = serial_name_refusal(units[i].serial_number);
        }
        if (!named.why_unnamed.isEmpty()) {
            continue;
        }
        QStringList others;
        for (int j = 0; j < units.size(); ++j) {
            if (j != i && units[j].serial_number == units[i].serial_number) {
                others.append(units[j].where);
            }
        }
        if (others.isEmpty()) {
            named.name = QString::fromLatin1(units[i].serial_number);
        } else {
            named.why_unnamed = QStringLiteral("shares serial number %1 with the unit at %2")
                                    .arg(QString::fromLatin1(units[i].serial_number),
                                         others.join(QStringLiteral(" and the unit at ")));
        }
    }
    return names;
}

QString shared_place_refusal(const QStringList& found, const QString& where) {
    const int count = int(found.count(where));
    if (count < 2) {
        return QString();
    }
    return QStringLiteral("%1 units answer to %2: neither is used, as nothing tells them apart")
        .arg(count)
        .arg(where);
}

QString shown_text(const QByteArray& text) {
    QString shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '\\') {
            shown.append(QLatin1Char(c));
        } else {
            shown.append(QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0')));
        }
    }
    return shown;
}
