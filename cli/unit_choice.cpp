#include "cli/unit_choice.h"

#include <QEventLoop>
#include <QSerialPort>
#include <algorithm>
#include <thread>

#include "cli/commands.h"
#include "driver/switch_model.h"
#include "driver/unit_discovery.h"
#include "driver/visa_session.h"

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

// One unit found, and what the call wants of it.
struct candidate_t {
    QString name;
    // Wanted by its link name, or only if its serial number is one of these.
    bool named = false;
    QStringList serial_numbers;
};

unit_result_t run_candidate(const invocation_t& call, const candidate_t& candidate, bool identify,
                            const unit_action_t& action) {
    unit_result_t result;
    result.unit = chosen_unit_t(candidate.name, call.timeout_ms);
    chosen_unit_t& unit = result.unit;
    result.status = open_unit(unit, identify);
    // Only the unit can tell its serial number; one in its bootloader tells it too.
    if (result.status.ok() && !candidate.named && !identify && !identify_unit(unit) &&
        !unit.in_bootloader) {
        result.status = unit.failure(QStringLiteral("did not identify itself"));
    }
    const bool wanted =
        candidate.named || (!unit.serial_number().isEmpty() &&
                            candidate.serial_numbers.contains(unit.serial_number()));
    if (result.status.ok() && wanted) {
        result.status = action(unit, result);
    }
    // Closed on the thread that opened it: a serial port belongs to its thread.
    unit.link->close();
    unit.unit.reset();
    unit.link.reset();
    return result;
}

}  // namespace

chosen_unit_t::chosen_unit_t(const QString& link_name, int answer_timeout_ms)
    : name(link_name), link(make_unit_link(answer_timeout_ms)), unit(new drv_unit_t(*link)) {}

cli_status_t open_unit(chosen_unit_t& unit, bool identify) {
    if (!unit.link->open(unit.name.toUtf8())) {
        return unit.failure(open_failure_text(*unit.link));
    }
    if (identify && !identify_unit(unit)) {
        return unit.failure(unit.in_bootloader
                                ? QStringLiteral("waits in its bootloader; kvtctl --unit %1 "
                                                 "upgrade FILE finishes its upgrade")
                                      .arg(unit.serial_number())
                                : QStringLiteral("did not identify itself"));
    }
    return {};
}

QString chosen_unit_t::label() const {
    if (info.serial_number.isEmpty()) {
        return name;
    }
    return serial_number() + QStringLiteral(" at ") + name;
}

cli_status_t chosen_unit_t::named(const cli_status_t& status) const {
    return status.ok() ? status
                       : cli_status_t{status.code, label() + QStringLiteral(": ") + status.error};
}

bool identify_unit(chosen_unit_t& unit) {
    unit_info_t info;
    const switch_model_t* model = identify_model(*unit.unit, info);
    if (model == nullptr) {
        unit.in_bootloader = bootloader_serial(*unit.unit, unit.info.serial_number);
        return false;
    }
    unit.info = info;
    unit.model = model;
    return true;
}

QVector<unit_result_t> run_on_units(const invocation_t& call, bool identify,
                                    const unit_action_t& action) {
    const QStringList names = find_units(call.search);
    if (names.isEmpty()) {
        unit_result_t none;
        none.status = unit_failure(QStringLiteral("no unit found"));
        return {none};
    }
    QVector<candidate_t> candidates;
    for (const QString& name : names) {
        candidates.append({name, call.all, {}});
    }
    // Each wanted name is a link name, or else a serial number that only the
    // units themselves can tell; those not named by link name are asked.
    const QStringList wanted =
        call.all || !call.units.isEmpty() ? call.units : QStringList{names.first()};
    QStringList serial_numbers;
    for (const QString& name : wanted) {
        auto named = std::find_if(candidates.begin(), candidates.end(),
                                  [&](const candidate_t& c) { return names_unit(name, c.name); });
        if (named != candidates.end()) {
            named->named = true;
        } else {
            serial_numbers.append(name);
        }
    }
    QVector<unit_result_t> results(candidates.size());
    // Threads that are joined, so that none is still ending, its thread data
    // not yet freed, when kvtctl ends right after.
    std::vector<std::thread> runs;
    for (int i = 0; i < candidates.size(); ++i) {
        candidates[i].serial_numbers = serial_numbers;
        if (candidates[i].named || !serial_numbers.isEmpty()) {
            runs.emplace_back([&, i] {
                // A serial port watches its device with the thread's event
                // dispatcher, which an event loop makes for a thread Qt did not start.
                const QEventLoop dispatcher_maker;
                results[i] = run_candidate(call, candidates[i], identify, action);
            });
        }
    }
    for (std::thread& run : runs) {
        run.join();
    }
    QVector<unit_result_t> chosen;
    QStringList unasked;
    for (int i = 0; i < candidates.size(); ++i) {
        const unit_result_t& result = results[i];
        const bool found = !result.unit.serial_number().isEmpty() &&
                           serial_numbers.contains(result.unit.serial_number());
        if (candidates[i].named || found) {
            chosen.append(result);
        } else if (!result.status.ok()) {
            // A unit that could not be asked may be one wanted; the error says so.
            unasked.append(result.status.error);
        }
    }
    for (const QString& serial_number : serial_numbers) {
        const bool found = std::any_of(chosen.cbegin(), chosen.cend(), [&](const unit_result_t& r) {
            return r.unit.serial_number() == serial_number;
        });
        if (!found) {
            unit_result_t missing;
            missing.status = unit_failure(
                (QStringList{QStringLiteral("no unit %1 found").arg(serial_number)} + unasked)
                    .join(QStringLiteral("; ")));
            chosen.append(missing);
        }
    }
    return chosen;
}
