#include "upgrade/unit_return.h"

#include "driver/link.h"
#include "driver/link_events.h"
#include "driver/unit_family.h"
#include "driver/visa_session.h"

QString unit_return_t::text() const {
    switch (kind) {
        case returned:
            return QString();
        case not_returned:
            return QStringLiteral("did not come back after its restart");
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

unit_return_t check_unit_return(const QByteArray& chosen, bool reopened) {
    unit_return_t result;
    const QString serial = unit_resource_serial(QString::fromUtf8(chosen));
    QByteArray answer;
    // A unit that cannot say its serial number is taken for the one the
    // reopen found: only a newcomer can have replaced it.
    if (!reopened) {
        result.kind = unit_return_t::not_returned;
    } else if (!serial.isEmpty() && link_query("SN?", answer) && answer != serial.toUtf8()) {
        result.kind = unit_return_t::replaced;
        result.other_serial = answer;
    }
    if (!result.back()) {
        visa_close();
        emit link_events().unit_lost(QString::fromUtf8(chosen));
    }
    return result;
}
