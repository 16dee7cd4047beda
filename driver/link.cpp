#include "driver/link.h"

#include "driver/serial_link.h"
#include "driver/visa_session.h"

unit_link_t& current_link() {
    if (visa_available()) {
        return current_visa_link();
    }
    return current_serial_link();
}

bool link_write(const QByteArray& command) {
    return current_link().write(command);
}

bool link_read(QByteArray& answer) {
    return visa_available() ? visa_read_answer(answer) : serial_read(answer);
}

bool link_query(const QByteArray& command, QByteArray& answer) {
    return visa_available() ? visa_query(command, answer) : serial_query(command, answer);
}
