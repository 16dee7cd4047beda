#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

#include "driver/unit.h"

// What the unit said about one of its switches.
struct switch_report_t {
    enum status_t {
        // position is where the unit says the switch stands.
        reported,
        // The unit gave no answer to the state query.
        no_answer,
        // The answer names none of the model's positions.
        no_position,
        // Nothing was sent: the unit is not identified as this model.
        not_identified,
    };
    status_t status = no_answer;
    int position = 0;
    // The state query's answer, when one came.
    QByteArray answer;
    // After a move: false when the set command itself went unanswered.
    bool set_answered = true;
};

// What tells the models apart: their switch letters, the positions the front
// panel prints, the characters those positions travel as on the link, and the
// command pair that moves and reads a switch.
struct switch_model_t {
    const char* name;
    const char* switches;
    int first_position;
    int last_position;
    // The character that first_position travels as; the others follow in order.
    char first_wire;
    bool (drv_unit_t::*set_state)(char sw, char pos);
    bool (drv_unit_t::*get_state)(char sw, char& pos, QByteArray* answer);

    constexpr int position_count() const { return last_position - first_position + 1; }
    constexpr bool has_switch(char sw) const {
        return sw != '\0' && std::string_view(switches).find(sw) != std::string_view::npos;
    }
    constexpr bool has_position(int position) const {
        return position >= first_position && position <= last_position;
    }
    // Only for a position the model has.
    constexpr char wire(int position) const {
        return static_cast<char>(first_wire + (position - first_position));
    }
    // False for a character that names none of the model's positions.
    constexpr bool position_of(char wire_char, int& position) const {
        const int candidate = first_position + (wire_char - first_wire);
        if (!has_position(candidate)) {
            return false;
        }
        position = candidate;
        return true;
    }
    // Where the unit says switch sw stands. Moving one is switch_move.h's.
    switch_report_t read_switch(drv_unit_t& unit, char sw) const;
};

// Four two-way switches; position 1 travels as '0', position 2 as '1'.
inline constexpr switch_model_t two_port_model = {
    "KVT0402Q", "ABCD", 1, 2, '0', &drv_unit_t::set_2port_state, &drv_unit_t::get_2port_state};

// Two six-way switches; 0 is the common connector (no path), and each
// position travels as its own digit.
inline constexpr switch_model_t six_port_model = {
    "KVT0206Q", "AB", 0, 6, '0', &drv_unit_t::set_6port_state, &drv_unit_t::get_6port_state};

inline constexpr const switch_model_t* all_models[] = {&two_port_model, &six_port_model};

// What every program says of a switch whose state answer names no position.
QString no_position_text(char sw, const QByteArray& answer);

// The model a unit of this product number is.
const switch_model_t& model_for_product(int product_number);

// The model of the unit as last identified, or null while it is not
// identified or its product number is no number.
const switch_model_t* identified_model(const drv_unit_t& unit);

// Identifies the unit: its identity goes to info, and the result is its
// model, or null when it did not identify itself or named no product number.
const switch_model_t* identify_model(drv_unit_t& unit, unit_info_t& info);

// A unit that does not identify itself may be waiting in its bootloader for
// an upgrade to finish it; there it still says its serial number.
bool bootloader_serial(drv_unit_t& unit, QByteArray& serial_number);

// The model of this name, or null.
const switch_model_t* model_named(const QByteArray& name);
