#include "upgrade/unit_return.h"

#include "driver/link_events.h"
#include "driver/unit_family.h"
#include "driver/visa_session.h"

QString unit_return_t::text() const {
    switch (kind) {
        case returned:
            return QString();
        case not_returned:
            return QStringLiteral("did not come back after its restart");
        case unnamed:
            return QStringLiteral("did not say its serial number after its restart");
        case replaced: {
            // The answer may be any bytes; only printable ones reach the operator.
            QByteArray shown = other_serial;
            for (char& c : shown) {
                if (c < ' ' || c > '~') {
                    c = '?';
                }
            }
            return QStringLiteral(
                       "answered \"%1\" to SN? after its restart, not its own serial "
                       "number")
                .arg(QString::fromLatin1(shown));
        }
    }
    return QString();
}

bool follow_unit(visa_link_t& link) {
    QByteArray serial = unit_resource_serial(QString::fromUtf8(link.name())).toUtf8();
    if (serial.isEmpty() && !link.query("SN?", serial)) {
        serial.clear();
    }
    link.set_unit_serial(serial);
    return !serial.isEmpty();
}

unit_return_t check_unit_return(visa_link_t& link, const QByteArray& chosen, bool reopened) {
    unit_return_t result;
    QByteArray answer;
    if (!reopened) {
        result.kind = unit_return_t::not_returned;
    } else if (!link.query("SN?", answer)) {
        result.kind = unit_return_t::unnamed;
    } else if (answer != link.serial_number()) {
        result.kind = unit_return_t::replaced;
        result.other_serial = answer;
    }
    if (!result.back()) {
        link.close();
        // The window hears of it; a link of its own has no one to tell.
        if (&link == &current_visa_link()) {
            emit link_events().unit_lost(QString::fromUtf8(chosen));
        }
    }
    return result;
}
