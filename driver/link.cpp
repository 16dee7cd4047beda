#include "driver/link.h"

#include <QSerialPort>
#include <QThread>
#include <algorithm>
#include <iterator>

#include "driver/link_events.h"
#include "driver/serial_link.h"
#include "driver/visa_session.h"

namespace {

constexpr int visa_query_pause_ms = 10;
// A long answer (an instrument's identification) is read on up to this size.
constexpr int visa_longest_answer = 4096;

// A session whose resource is gone is closed, so every later operation fails
// at once until the next connection; the operator is told which unit it was.
bool visa_alive(ViStatus status) {
    if (status != VI_ERROR_CONN_LOST) {
        return true;
    }
    const QString name = QString::fromUtf8(visa_resource_name());
    visa_close();
    emit link_events().unit_lost(name);
    return false;
}

// The buffer's text before its first zero byte.
QByteArray buffer_text(const char (&buffer)[visa_answer_size]) {
    return QByteArray(buffer, int(qstrnlen(buffer, visa_answer_size)));
}

// Reads one answer buffer by buffer while the library reports the buffer
// filled and the unit's line feed has not come, so the next command starts
// aligned; keeps the text before the first zero byte, minus the line feed.
// An answer the timeout or an error cut short is no answer: nothing of it is
// kept. VISA marks an answer's end itself, so one that lacks its line feed is
// kept whole rather than losing a character of its text.
bool read_visa_text(QByteArray& answer) {
    char buffer[visa_answer_size] = {};
    ViStatus status = VI_SUCCESS;
    const int length = visa_read(buffer, visa_answer_size, &status);
    if (!visa_alive(status) || length == 0 || status < VI_SUCCESS) {
        return false;
    }
    QByteArray text = buffer_text(buffer);
    bool cut = text.size() < visa_answer_size;
    for (int size = visa_answer_size;
         status == VI_SUCCESS_MAX_CNT && buffer[visa_answer_size - 1] != '\n' &&
         size < visa_longest_answer;
         size += visa_answer_size) {
        std::fill(std::begin(buffer), std::end(buffer), '\0');
        visa_read(buffer, visa_answer_size, &status);
        if (!visa_alive(status) || status < VI_SUCCESS) {
            return false;
        }
        // Past a zero byte the rest is only drained.
        if (!cut) {
            const QByteArray more = buffer_text(buffer);
            text += more;
            cut = more.size() < visa_answer_size;
        }
    }
    visa_set_answer_left(status == VI_SUCCESS_MAX_CNT && buffer[visa_answer_size - 1] != '\n');
    if (text.isEmpty()) {
        return false;
    }
    if (text.endsWith('\n')) {
        text.chop(1);
    }
    answer = text;
    return true;
}

}  // namespace

bool visa_read_answer(QByteArray& answer) {
    return read_visa_text(answer);
}

bool visa_query(const QByteArray& command, QByteArray& answer) {
    ViStatus status = VI_SUCCESS;
    if (!visa_write(command.constData(), command.size(), &status)) {
        visa_alive(status);
        return false;
    }
    QThread::msleep(visa_query_pause_ms);
    return read_visa_text(answer);
}

bool link_write(const QByteArray& command) {
    if (visa_available()) {
        ViStatus status = VI_SUCCESS;
        const bool written = visa_write(command.constData(), command.size(), &status);
        // Its answer waits for a read the caller may never make.
        visa_set_answer_left(written);
        visa_alive(status);
        return written;
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
