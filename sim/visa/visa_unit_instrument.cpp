#include "sim/visa/visa_unit_instrument.h"

visa_unit_instrument_t::visa_unit_instrument_t(const sim_unit_config_t& config)
    : unit(config), name("USB0::0xA5C3::0x0E21::" + config.serial_number + "::INSTR") {}

QByteArray visa_unit_instrument_t::resource_name() const {
    return name;
}

bool visa_unit_instrument_t::online() const {
    return unit.online();
}

answer_t visa_unit_instrument_t::handle(const QByteArray& command) {
    return unit.handle(command);
}
