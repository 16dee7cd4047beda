#include "sim/visa/visa_echo_instrument.h"

namespace {

answer_t echo(const QByteArray& command) {
    // Clients commonly end commands with a line terminator of their own.
    if (command.trimmed() == "*IDN?") {
        return {{0, "Example Instruments,EX1797,MY12345678,1.0\n"}};
    }
    return {{0, command + '\n'}};
}

}  // namespace

visa_echo_instrument_t::visa_echo_instrument_t(bool wire_log)
    : handler(wire_log ? logged_handler("MY12345678", echo) : unit_handler_t(echo)) {}

QByteArray visa_echo_instrument_t::resource_name() const {
    return "USB0::0x0957::0x1797::MY12345678::INSTR";
}

answer_t visa_echo_instrument_t::handle(const QByteArray& command) {
    return handler(command);
}
