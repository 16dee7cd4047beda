#pragma once

#include <QByteArrayList>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

#include "cli/cli_status.h"
#include "driver/unit.h"
#include "driver/unit_link.h"

struct invocation_t;
struct switch_model_t;

// One unit a command works on, on a link of its own, as far as it is known.
struct chosen_unit_t {
    chosen_unit_t() = default;
    chosen_unit_t(const QString& link_name, int answer_timeout_ms);

    // Resource text or port: what the link opens it by.
    QString name;
    std::shared_ptr<unit_link_t> link;
    // The unit's commands, on link.
    std::shared_ptr<drv_unit_t> unit;
    unit_info_t info;
    // Set once the unit identified itself.
    const switch_model_t* model = nullptr;
    // Set when it did not, but said its serial number from its bootloader.
    bool in_bootloader = false;

    // What the unit goes by among the units of the run: its serial number
    // when that names it (unit_identity.h), else empty, and why_unnamed says why.
    QString unit_name;
    QString why_unnamed;

    // The serial number as the unit states it, once known: what --unit matches.
    QByteArray serial_number() const { return trimmed_serial_number(info.serial_number); }
    // How the operator names the unit again: its serial number when that may
    // be a name, else its port or resource.
    QString way_to() const;
    // Names the unit in error lines: serial number, shown as text, and link
    // name once known.
    QString label() const;
    // The status with the unit named in front of its error.
    cli_status_t named(const cli_status_t& status) const;
    cli_status_t failure(const QString& what) const { return named(unit_failure(what)); }
};

// Asks the open unit who it is; on success the unit's model is known. A unit
// in its bootloader is not identified, but its serial number is then known.
bool identify_unit(chosen_unit_t& unit);

// Opens the unit's link, and identifies it when asked to; fails naming the
// unit and why, a port another program holds and a unit waiting in its
// bootloader included.
cli_status_t open_unit(chosen_unit_t& unit, bool identify);

// What a command does with one unit once it is open (and identified, when
// the command asked for that). Runs on a thread of its own, so it prints
// nothing: what it would print goes to its result.
struct unit_result_t {
    chosen_unit_t unit;
    cli_status_t status;
    // Text lines, or the JSON value under --json.
    QByteArrayList lines;
    QJsonValue json;
};
using unit_action_t = std::function<cli_status_t(chosen_unit_t& unit, unit_result_t& out)>;

// The units a call chose, and what the action did with each; or, when the
// choice itself is wrong (a serial number that several units state), why,
// and then no unit was acted on.
struct units_run_t {
    cli_status_t refused;
    QVector<unit_result_t> results;
};

// Runs the action on every unit the call names (--unit, repeated, by serial
// number, resource or port; --all; else the first unit found), each on its
// own link and all at once. Every unit opened first says who it is, so that
// the units are chosen and named knowing all their answers; only then does
// the action run. Results come in the order the units were found; a serial
// number that no unit answered to ends them as a failed result.
units_run_t run_on_units(const invocation_t& call, bool identify, const unit_action_t& action);
