#include "driver/switch_model.h"

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
