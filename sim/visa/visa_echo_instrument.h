#pragma once

#include "sim/visa/visa_instrument.h"

// An instrument of another maker: answers "*IDN?" with its identification and
// any other command with the command's own bytes, zero bytes included.
class visa_echo_instrument_t : public visa_instrument_t {
public:
    QByteArray resource_name() const override;
    bool online() const override { return true; }
    answer_t handle(const QByteArray& command) override;
};
