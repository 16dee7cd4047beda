#include "driver/switch_model.h"

bool switch_model_t::set_position(char sw, int position) const {
    return (drv_unit_instance().*set_state)(sw, wire(position));
}

bool switch_model_t::read_position(char sw, int& position) const {
    char wire_char = '\0';
    return (drv_unit_instance().*get_state)(sw, wire_char) && position_of(wire_char, position);
}

const switch_model_t& model_for_product(int product_number) {
    return product_number == six_port_product_id ? six_port_model : two_port_model;
}

const switch_model_t* model_named(const QByteArray& name) {
    for (const switch_model_t* model : {&two_port_model, &six_port_model}) {
        if (name == model->name) {
            return model;
        }
    }
    return nullptr;
}
