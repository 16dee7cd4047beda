#include "sim/visa/visa_echo_instrument.h"

QByteArray visa_echo_instrument_t::resource_name() const {
    return "USB0::0x0957::0x1797::MY12345678::INSTR";
}

answer_t visa_echo_instrument_t::handle(const QByteArray& command) {
    // Clients commonly end commands with a line terminator of their own.
    if (command.trimmed() == "*IDN?") {
        return {{0, "Example Instruments,EX1797,MY12345678,1.0\n"}};
    }
    return {{0, command + '\n'}};
}
