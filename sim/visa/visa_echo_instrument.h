#pragma once

#include "sim/visa/visa_instrument.h"
#include "sim/wire_log.h"

// An instrument of another maker: answers "*IDN?" with its identification and
// any other command with the command's own bytes, zero bytes included. Its
// log lines start with its serial number, MY12345678, as a unit's do.
class visa_echo_instrument_t : public visa_instrument_t {
public:
    explicit visa_echo_instrument_t(bool wire_log);

    QByteArray resource_name() const override;
    bool online() const override { return true; }
    answer_t handle(const QByteArray& command) override;

private:
    unit_handler_t handler;
};
