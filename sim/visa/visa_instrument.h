#pragma once

#include <QByteArray>

#include "sim/answer_piece.h"

// Something the stand-in offers as a USB instrument resource.
class visa_instrument_t {
public:
    virtual ~visa_instrument_t() = default;
    virtual QByteArray resource_name() const = 0;
    // While false it is neither listed nor opened.
    virtual bool online() const = 0;
    virtual answer_t handle(const QByteArray& command) = 0;
};
