#include "sim/visa/visa_unit_instrument.h"

#include "driver/unit_family.h"

visa_unit_instrument_t::visa_unit_instrument_t(const sim_unit_config_t& config, bool wire_log)
    : unit(config),
      name(QByteArray("USB0::") + unit_resource_tag + "::" + config.serial_number + "::INSTR") {
    handler = [this](const QByteArray& command) { return unit.handle(command); };
    if (wire_log) {
        handler = logged_handler(config.serial_number, handler);
    }
}

QByteArray visa_unit_instrument_t::resource_name() const {
    return name;
}

bool visa_unit_instrument_t::online() const {
    return unit.online();
}

answer_t visa_unit_instrument_t::handle(const QByteArray& command) {
    return handler(command);
}
