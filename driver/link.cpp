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
    return current_link().read(answer);
}

bool link_query(const QByteArray& command, QByteArray& answer) {
    return current_link().query(command, answer);
}
