#include "lan/lan_naming.h"

#include "driver/unit_identity.h"
#include "lan/lan_gateway.h"

namespace {

bool is_letter_or_digit(QChar c) {
    const char16_t code = c.unicode();
    return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
           (code >= '0' && code <= '9');
}

QString shown_place(const QString& where) {
    return shown_text(where.toUtf8());
}

}  // namespace

QByteArray derived_name(const QString& where) {
    const QLatin1String devices("/dev/");
    const QString rest = where.startsWith(devices) ? where.mid(devices.size()) : where;
    QByteArray name("_");
    for (const QChar c : rest) {
        name.append(is_letter_or_digit(c) ? char(c.unicode()) : '_');
    }
    return name;
}

QVector<lan_place_name_t> name_places(const QVector<lan_place_t>& places) {
    // A shared place counts twice, so that neither of its units is named;
    // what it claimed before it was shared names no one.
    QVector<unit_identity_t> identities;
    for (const lan_place_t& place : places) {
        const QByteArray claim = place.shared ? QByteArray() : place.claim;
        identities.append({shown_place(place.where), claim});
        if (place.shared) {
            identities.append({shown_place(place.where), claim});
        }
    }
    const QVector<unit_name_t> named = name_units(identities);
    QVector<lan_place_name_t> result(places.size());
    QVector<QString> why(places.size());
    for (int i = 0, at = 0; i < places.size(); at += places[i].shared ? 2 : 1, ++i) {
        // inst0 is kvt-lan itself: a unit stating it goes by its made name.
        const bool gateway = lan_is_gateway(named[at].name.toLatin1());
        if (!named[at].name.isEmpty() && !gateway) {
            result[i].name = named[at].name.toLatin1();
        } else if (places[i].shared) {
            result[i].said =
                QStringLiteral("%1: %2").arg(shown_place(places[i].where), named[at].why_unnamed);
        } else if (places[i].claim.isEmpty()) {
            result[i].said = QStringLiteral("%1: %2; not served")
                                 .arg(shown_place(places[i].where), places[i].fault);
        } else {
            why[i] = gateway ? QStringLiteral(
                                   "states serial number \"%1\", which is kvt-lan's "
                                   "own device name")
                                   .arg(named[at].name)
                             : named[at].why_unnamed;
            result[i].name = derived_name(places[i].where);
        }
    }
    for (int i = 0; i < places.size(); ++i) {
        if (why[i].isEmpty()) {
            continue;
        }
        QStringList others;
        for (int j = 0; j < places.size(); ++j) {
            if (j != i && !why[j].isEmpty() &&
                derived_name(places[j].where) == derived_name(places[i].where)) {
                others.append(shown_place(places[j].where));
            }
        }
        const QString where = shown_place(places[i].where);
        const QString name = QString::fromLatin1(derived_name(places[i].where));
        if (others.isEmpty()) {
            result[i].said = QStringLiteral("%1: %2; served as %3").arg(where, why[i], name);
        } else {
            result[i].name.clear();
            result[i].said =
                QStringLiteral("%1: %2; not served: its name %3 is also the unit's at %4")
                    .arg(where, why[i], name, others.join(QStringLiteral(" and the unit's at ")));
        }
    }
    return result;
}
