#include "driver/serial_link.h"

#include <QSerialPort>

#include "driver/link.h"

namespace {
// The unit starts answering within this time (unit framing rules).
constexpr int serial_wait_ms = 200;
}  // namespace

QSerialPort& serial_port() {
    // Outlives the application object on purpose: closing at exit is left to the OS.
    static QSerialPort* port = new QSerialPort;
    return *port;
}

bool serial_open(const QByteArray& name) {
    QSerialPort& port = serial_port();
    port.setPortName(QString::fromUtf8(name));
    if (port.isOpen()) {
        return true;
    }
    return port.open(QIODevice::ReadWrite);
}

void serial_close() {
    serial_port().close();
}

bool serial_write(const QByteArray& command) {
    QSerialPort& port = serial_port();
    port.write(command);
    port.waitForBytesWritten(serial_wait_ms);
    return true;
}

bool serial_read(QByteArray& answer) {
    answer = serial_port().readAll();
    if (!answer.isEmpty()) {
        answer.chop(1);
    }
    return true;
}

bool serial_query(const QByteArray& command, QByteArray& answer) {
    link_write(command);
    serial_port().waitForReadyRead(serial_wait_ms);
    link_read(answer);
    return true;
}
