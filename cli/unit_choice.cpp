#include "cli/unit_choice.h"

#include <QEventLoop>
#include <QSerialPort>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cli/commands.h"
#include "driver/switch_model.h"
#include "driver/unit_discovery.h"
#include "driver/unit_identity.h"
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
    // Wanted by its link name.
    bool named = false;
    // Opened at all: named, or maybe the unit a wanted serial number names.
    bool asked = false;
    // Chosen once every unit asked has said who it is.
    bool chosen = false;
};

// Where each run stops after its unit has said who it is, until the units
// are chosen: the choice needs every unit's answer. Each run gets there
// within its link's bounded waits, so the waits here are bounded too.
class choice_gate_t {
public:
    explicit choice_gate_t(int runs) : waiting(runs) {}

    void arrive() {
        const std::lock_guard<std::mutex> lock(mutex);
        --waiting;
        changed.notify_all();
    }
    void wait_for_runs() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return waiting == 0; });
    }
    void open() {
        const std::lock_guard<std::mutex> lock(mutex);
        opened = true;
        changed.notify_all();
    }
    void wait_until_open() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return opened; });
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    int waiting;
    bool opened = false;
};

// Opens the unit and learns who it is. A unit wanted only by its serial
// number must say it; one wanted by its link name need not, so that the raw
// commands still reach a unit that does not identify itself.
cli_status_t meet_unit(chosen_unit_t& unit, bool named, bool identify, bool learn) {
    cli_status_t status = open_unit(unit, identify);
    if (status.ok() && !identify && learn && !identify_unit(unit) && !unit.in_bootloader &&
        !named) {
        status = unit.failure(QStringLiteral("did not identify itself"));
    }
    return status;
}

// The places a wanted serial number leads to, or why it leads nowhere usable.
cli_status_t refuse_ambiguous(const QString& wanted, const QVector<unit_result_t>& results,
                              const QVector<candidate_t>& candidates) {
    QStringList places;
    QString unnamed;
    for (int i = 0; i < results.size(); ++i) {
        const chosen_unit_t& unit = results[i].unit;
        if (candidates[i].asked && !unit.serial_number().isEmpty() &&
            unit.serial_number() == wanted.toUtf8()) {
            places.append(unit.name);
            unnamed = unit.why_unnamed;
        }
    }
    if (places.size() > 1) {
        return usage_error(QStringLiteral("%1 units state serial number %2, at %3: name the "
                                          "one meant by its port or resource")
                               .arg(places.size())
                               .arg(wanted, places.join(QStringLiteral(" and "))));
    }
    if (places.size() == 1 && !unnamed.isEmpty()) {
        return usage_error(QStringLiteral("the unit at %1 %2: name it by its port or resource")
                               .arg(places.first(), unnamed));
    }
    return {};
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
                                      .arg(unit.way_to())
                                : QStringLiteral("did not identify itself"));
    }
    return {};
}

QString chosen_unit_t::way_to() const {
    const QByteArray serial = serial_number();
    return serial_name_refusal(serial).isEmpty() ? QString::fromLatin1(serial) : name;
}

QString chosen_unit_t::label() const {
    if (info.serial_number.isEmpty()) {
        return name;
    }
    return shown_text(serial_number()) + QStringLiteral(" at ") + name;
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

units_run_t run_on_units(const invocation_t& call, bool identify, const unit_action_t& action) {
    const QStringList names = find_units(call.search);
    if (names.isEmpty()) {
        unit_result_t none;
        none.status = unit_failure(QStringLiteral("no unit found"));
        return {{}, {none}};
    }
    QVector<candidate_t> candidates;
    for (const QString& name : names) {
        candidates.append({name, call.all, false, false});
    }
    // Each wanted name is a link name, or else a serial number that only the
    // units themselves can tell; those not named by link name are asked.
    const QStringList wanted =
        call.all || !call.units.isEmpty() ? call.units : QStringList{names.first()};
    QStringList serial_numbers;
    for (const QString& name : wanted) {
        bool found = false;
        for (candidate_t& candidate : candidates) {
            if (names_unit(name, candidate.name)) {
                candidate.named = found = true;
            }
        }
        if (!found) {
            serial_numbers.append(name);
        }
    }
    QVector<unit_result_t> results(candidates.size());
    for (int i = 0; i < candidates.size(); ++i) {
        candidate_t& candidate = candidates[i];
        results[i].unit.name = candidate.name;
        // Two units behind one resource text cannot be told apart: neither is opened.
        const QString shared = shared_place_refusal(names, candidate.name);
        if (!shared.isEmpty()) {
            results[i].status = unit_failure(shared);
        }
        candidate.asked = shared.isEmpty() && (candidate.named || !serial_numbers.isEmpty());
    }
    // A rack's units are named by their serial numbers (files of a folder),
    // so with several units each says who it is before any is acted on.
    const bool learn = identify || !serial_numbers.isEmpty() || call.several();
    const int asked = int(std::count_if(candidates.cbegin(), candidates.cend(),
                                        [](const candidate_t& c) { return c.asked; }));
    choice_gate_t gate(asked);
    // Threads that are joined, so that none is still ending, its thread data
    // not yet freed, when kvtctl ends right after.
    std::vector<std::thread> runs;
    for (int i = 0; i < candidates.size(); ++i) {
        if (!candidates[i].asked) {
            continue;
        }
        runs.emplace_back([&, i] {
            // A serial port watches its device with the thread's event
            // dispatcher, which an event loop makes for a thread Qt did not start.
            const QEventLoop dispatcher_maker;
            unit_result_t& result = results[i];
            result.unit = chosen_unit_t(candidates[i].name, call.timeout_ms);
            chosen_unit_t& unit = result.unit;
            result.status = meet_unit(unit, candidates[i].named, identify, learn);
            gate.arrive();
            gate.wait_until_open();
            if (result.status.ok() && candidates[i].chosen) {
                result.status = action(unit, result);
            }
            // Closed on the thread that opened it: a serial port belongs to its thread.
            unit.link->close();
            unit.unit.reset();
            unit.link.reset();
        });
    }
    gate.wait_for_runs();
    // Names among every unit that said its serial number.
    QVector<unit_identity_t> identities;
    QVector<int> told;
    for (int i = 0; i < candidates.size(); ++i) {
        if (candidates[i].asked && !results[i].unit.serial_number().isEmpty()) {
            identities.append({candidates[i].name, results[i].unit.serial_number()});
            told.append(i);
        }
    }
    const QVector<unit_name_t> unit_names = name_units(identities);
    for (int k = 0; k < told.size(); ++k) {
        results[told[k]].unit.unit_name = unit_names[k].name;
        results[told[k]].unit.why_unnamed = unit_names[k].why_unnamed;
    }
    cli_status_t refused;
    for (const QString& serial_number : serial_numbers) {
        if (refused.ok()) {
            refused = refuse_ambiguous(serial_number, results, candidates);
        }
    }
    for (int i = 0; i < candidates.size() && refused.ok(); ++i) {
        const QString stated = results[i].unit.unit_name;
        candidates[i].chosen =
            candidates[i].named || (!stated.isEmpty() && serial_numbers.contains(stated));
    }
    gate.open();
    for (std::thread& run : runs) {
        run.join();
    }
    if (!refused.ok()) {
        return {refused, {}};
    }
    QVector<unit_result_t> chosen;
    QStringList unasked;
    QStringList shared_places;
    for (int i = 0; i < candidates.size(); ++i) {
        // A place two units share is reported once, as it is listed.
        const bool shared = !candidates[i].asked && !results[i].status.ok();
        if (shared && shared_places.contains(candidates[i].name)) {
            continue;
        }
        if (shared) {
            shared_places.append(candidates[i].name);
        }
        if (candidates[i].chosen || (shared && (candidates[i].named || call.all))) {
            chosen.append(results[i]);
        } else if (!results[i].status.ok()) {
            // A unit that could not be asked may be one wanted; the error says so.
            unasked.append(results[i].status.error);
        }
    }
    for (const QString& serial_number : serial_numbers) {
        const bool found = std::any_of(chosen.cbegin(), chosen.cend(), [&](const unit_result_t& r) {
            return r.unit.unit_name == serial_number;
        });
        if (!found) {
            unit_result_t missing;
            missing.status = unit_failure(
                (QStringList{QStringLiteral("no unit %1 found").arg(serial_number)} + unasked)
                    .join(QStringLiteral("; ")));
            chosen.append(missing);
        }
    }
    return {{}, chosen};
}
