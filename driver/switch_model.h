#pragma once

#include <QByteArray>
#include <string_view>

#include "driver/unit.h"

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
    bool (drv_unit_t::*get_state)(char sw, char& pos);

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
    // Moves switch sw of the unit; false when the unit gave no answer.
    bool set_position(char sw, int position) const;
    // Where the unit says switch sw stands; false when it gave no answer or
    // none of the model's positions.
    bool read_position(char sw, int& position) const;
};

// Four two-way switches; position 1 travels as '0', position 2 as '1'.
inline constexpr switch_model_t two_port_model = {
    "KVT0402Q", "ABCD", 1, 2, '0', &drv_unit_t::set_2port_state, &drv_unit_t::get_2port_state};

// Two six-way switches; 0 is the common connector (no path), and each
// position travels as its own digit.
inline constexpr switch_model_t six_port_model = {
    "KVT0206Q", "AB", 0, 6, '0', &drv_unit_t::set_6port_state, &drv_unit_t::get_6port_state};

// The model a unit of this product number is.
const switch_model_t& model_for_product(int product_number);

// The model of this name, or null.
const switch_model_t* model_named(const QByteArray& name);
