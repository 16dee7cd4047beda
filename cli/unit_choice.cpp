#include "cli/unit_choice.h"

#include <QSerialPort>

#include "driver/serial_link.h"
#include "driver/switch_model.h"
#include "driver/visa_session.h"
#include "panel/unit_discovery.h"

namespace {

// A port can be named by its path or by its short name; the serial library
// knows which names are the same port.
QString port_short_name(const QString& name) {
    QSerialPort port;
    port.setPortName(name);
    return port.portName();
}

bool names_unit(const QString& wanted, const QString& name) {
    if (wanted == name) {
        return true;
    }
    return !visa_available() && port_short_name(wanted) == port_short_name(name);
}

}  // namespace

cli_status_t open_unit(chosen_unit_t& unit, bool identify) {
    if (!connect_unit(unit.name.toUtf8())) {
        return unit.failure(serial_port_busy()
                                ? QStringLiteral("port busy: another program has it open")
                                : QStringLiteral("cannot be opened"));
    }
    if (identify && !identify_unit(unit)) {
        return unit.failure(QStringLiteral("did not identify itself"));
    }
    return {};
}

QString chosen_unit_t::label() const {
    if (model == nullptr) {
        return name;
    }
    return QString::fromUtf8(info.serial_number) + QStringLiteral(" at ") + name;
}

cli_status_t chosen_unit_t::named(const cli_status_t& status) const {
    return status.ok() ? status
                       : cli_status_t{status.code, label() + QStringLiteral(": ") + status.error};
}

bool identify_unit(chosen_unit_t& unit) {
    unit_info_t info;
    const switch_model_t* model = drv_unit_instance().identify(info) ? identified_model() : nullptr;
    if (model == nullptr) {
        return false;
    }
    unit.info = info;
    unit.model = model;
    return true;
}

cli_status_t choose_unit(const QString& wanted, bool identify, chosen_unit_t& unit) {
    const QStringList names = find_units();
    if (names.isEmpty()) {
        return unit_failure(QStringLiteral("no unit found"));
    }
    for (const QString& name : names) {
        if (wanted.isEmpty() || names_unit(wanted, name)) {
            unit = chosen_unit_t(name);
            return open_unit(unit, identify);
        }
    }
    // A unit that could not be asked may be the one wanted; the error says so.
    QStringList unasked{QStringLiteral("no unit %1 found").arg(wanted)};
    for (const QString& name : names) {
        chosen_unit_t candidate(name);
        const cli_status_t opened = open_unit(candidate, true);
        if (opened.ok() && candidate.info.serial_number == wanted.toUtf8()) {
            unit = candidate;
            return {};
        }
        if (!opened.ok()) {
            unasked.append(opened.error);
        }
    }
    return unit_failure(unasked.join(QStringLiteral("; ")));
}
