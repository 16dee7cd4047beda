#pragma once

#include "sim/sim_unit.h"
#include "sim/visa/visa_instrument.h"
#include "sim/wire_log.h"

// A simulated switch unit on USB, named by its serial number. With wire_log
// it logs its traffic as kvt-sim --verbose does.
class visa_unit_instrument_t : public visa_instrument_t {
public:
    visa_unit_instrument_t(const sim_unit_config_t& config, bool wire_log);

    QByteArray resource_name() const override;
    bool online() const override;
    answer_t handle(const QByteArray& command) override;

private:
    sim_unit_t unit;
    const QByteArray name;
    unit_handler_t handler;
};
