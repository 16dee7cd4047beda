#include "sim/sim_unit_config.h"

namespace {

struct model_row_t {
    sim_model_t model;
    const char* name;
    const char* switches;
    const char* positions;
    int product_number;
};

constexpr model_row_t model_table[] = {
    {sim_model_t::kvt0402q, "KVT0402Q", "ABCD", "01", 17},
    {sim_model_t::kvt0206q, "KVT0206Q", "AB", "0123456", sim_six_port_product},
};

const model_row_t& row(sim_model_t model) {
    for (const model_row_t& r : model_table) {
        if (r.model == model) {
            return r;
        }
    }
    return model_table[0];
}

}  // namespace

sim_unit_config_t sim_default_config(sim_model_t model) {
    sim_unit_config_t config;
    config.model = model;
    config.serial_number = "KVT2024001";
    config.software_version = "1.0.0";
    config.product_number = row(model).product_number;
    return config;
}

const char* sim_model_name(sim_model_t model) {
    return row(model).name;
}

bool sim_model_from_name(const QByteArray& name, sim_model_t& model) {
    for (const model_row_t& r : model_table) {
        if (name == r.name) {
            model = r.model;
            return true;
        }
    }
    return false;
}

QByteArray sim_model_switches(sim_model_t model) {
    return row(model).switches;
}

QByteArray sim_model_positions(sim_model_t model) {
    return row(model).positions;
}
