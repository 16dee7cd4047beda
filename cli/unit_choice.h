#pragma once

#include <QString>

#include "cli/cli_status.h"
#include "driver/unit.h"

struct switch_model_t;

// The unit a command works on, as far as it is known.
struct chosen_unit_t {
    chosen_unit_t() = default;
    explicit chosen_unit_t(const QString& link_name) : name(link_name) {}

    // Resource text or port: what the link opens it by.
    QString name;
    unit_info_t info;
    // Set once the unit identified itself.
    const switch_model_t* model = nullptr;

    // Names the unit in error lines: serial number and link name once known.
    QString label() const;
    // The status with the unit named in front of its error.
    cli_status_t named(const cli_status_t& status) const;
    cli_status_t failure(const QString& what) const { return named(unit_failure(what)); }
};

// Asks the open unit who it is; on success the unit's model is known.
bool identify_unit(chosen_unit_t& unit);

// Opens the unit the link listed by that name, and identifies it when asked
// to; fails naming the unit and why, a port another program holds included.
cli_status_t open_unit(chosen_unit_t& unit, bool identify);

// Finds and opens the unit named by a serial number, resource text or port,
// or the first unit found when wanted is empty. Identifies it when asked to,
// and always when only its serial number can name it.
cli_status_t choose_unit(const QString& wanted, bool identify, chosen_unit_t& unit);
