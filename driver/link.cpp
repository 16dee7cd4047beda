#include "driver/link.h"

#include <QSerialPort>
#include <QThread>

#include "driver/serial_link.h"
#include "driver/visa.h"

namespace {

constexpr int visa_query_pause_ms = 10;

// Reads one answer into a zeroed buffer and keeps the text before the first
// zero byte, minus the unit's line feed.
bool read_visa_text(char (&buffer)[visa_answer_size], QByteArray& answer) {
    const int length = visa_read(buffer, visa_answer_size);
    if (length == 0) {
        return false;
    }
    answer = QByteArray(buffer, int(qstrnlen(buffer, visa_answer_size)));
    if (answer.isEmpty()) {
        return false;
    }
    answer.chop(1);
    return true;
}

}  // namespace

bool visa_read_answer(QByteArray& answer) {
    char buffer[visa_answer_size] = {};
    return read_visa_text(buffer, answer);
}

bool visa_query(const QByteArray& command, QByteArray& answer) {
    char buffer[visa_answer_size] = {};
    if (!visa_write(command.constData(), command.size())) {
        return false;
    }
    QThread::msleep(visa_query_pause_ms);
    return read_visa_text(buffer, answer);
}

bool link_write(const QByteArray& command) {
    if (visa_available()) {
        return visa_write(command.constData(), command.size());
    }
    if (serial_port().isOpen()) {
        return serial_write(command);
    }
    return false;
}

bool link_read(QByteArray& answer) {
    if (visa_available()) {
        return visa_read_answer(answer);
    }
    if (serial_port().isOpen()) {
        return serial_read(answer);
    }
    return false;
}

bool link_query(const QByteArray& command, QByteArray& answer) {
    if (visa_available()) {
        return visa_query(command, answer);
    }
    if (serial_port().isOpen()) {
        return serial_query(command, answer);
    }
    return false;
}
