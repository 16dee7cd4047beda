#include "upgrade/unit_return.h"

#include "driver/link_events.h"
#include "driver/unit_family.h"
#include "driver/unit_identity.h"
#include "driver/visa_session.h"

QString unit_return_t::text() const {
    switch (kind) {
        case returned:
            return QString();
        case not_returned:
            return QStringLiteral("did not come back after its restart");
        case unnamed:
            return QStringLiteral("did not say its serial number after its restart");
        case unfollowed:
            return QStringLiteral(
                "did not say its serial number, which its restarts are followed by; nothing "
                "was sent");
        case replaced: {
            return QStringLiteral(
                       "answered \"%1\" to SN? after its restart, not its own serial "
                       "number")
                .arg(shown_text(other_serial));
        }
    }
    return QString();
}

bool follow_unit(visa_link_t& link) {
    // What the unit states, in full, is what a restart must find again; a
    // resource that names another serial number is no resource of it.
    QByteArray serial;
    const QString named = unit_resource_serial(QString::fromUtf8(link.name()));
    if (!link.query("SN?", serial) || (!named.isEmpty() && named.toUtf8() != serial)) {
        serial.clear();
    }
    link.set_unit_serial(serial);
    return !serial.isEmpty();
}

unit_return_t check_unit_return(visa_link_t& link, const QByteArray& chosen, bool reopened) {
    // The reopen has asked whatever it opened for its serial number in full.
    unit_return_t result;
    if (reopened) {
        result.kind = unit_return_t::returned;
    } else if (!link.reopen_reached()) {
        result.kind = unit_return_t::not_returned;
    } else if (link.reopen_answer().isEmpty()) {
        result.kind = unit_return_t::unnamed;
    } else {
        result.kind = unit_return_t::replaced;
        result.other_serial = link.reopen_answer();
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
