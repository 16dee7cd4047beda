#include "driver/serial_link.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>

#include "driver/link_events.h"

namespace {

// The unit starts answering within this time (unit framing rules).
constexpr int serial_wait_ms = 200;
// Once an answer has started, the rest of its line follows within this time.
constexpr int serial_line_ms = 500;
// Longest the link waits for the late answer to an earlier command to end.
constexpr int serial_settle_ms = 500;

// The wait for an answer's first byte; a slow unit may be given longer.
int answer_wait_ms = serial_wait_ms;

// The name the port was opened under, for telling the operator which unit went.
QString& opened_name() {
    static QString name;
    return name;
}

// True while an answer that the link has not taken may still be on its way.
bool answer_owed = false;

// A port whose device has gone reports an error on the next read or write; a
// timed-out wait is not one.
bool port_failed(const QSerialPort& port) {
    return port.error() != QSerialPort::NoError && port.error() != QSerialPort::TimeoutError;
}

// Closes a failed port and says so, so every later operation fails at once.
bool port_usable() {
    QSerialPort& port = serial_port();
    if (!port.isOpen()) {
        return false;
    }
    if (!port_failed(port)) {
        return true;
    }
    serial_close();
    emit link_events().unit_lost(opened_name());
    return false;
}

// Keeps the answer to an earlier command, late or never read, from being
// taken as the answer to the next one.
void discard_waiting_input(QSerialPort& port) {
    if (answer_owed) {
        const QDeadlineTimer settle(serial_settle_ms);
        while (!port.canReadLine() && !settle.hasExpired() &&
               port.waitForReadyRead(int(settle.remainingTime()))) {
        }
        answer_owed = false;
    }
    port.clear(QSerialPort::Input);
}

// A port just opened may still receive what the unit owed an earlier program
// or opening, which must not pass for the answer to the first query.
void discard_until_quiet(QSerialPort& port) {
    const QDeadlineTimer settle(serial_settle_ms);
    do {
        port.clear(QSerialPort::Input);
    } while (!settle.hasExpired() && port.waitForReadyRead(int(qMin<qint64>(
                                         serial_open_quiet_ms, settle.remainingTime()))));
    port.clear(QSerialPort::Input);
}

// The answer is one line: its first byte within the unit's time, the rest of
// it within a further bound, so an answer in pieces is taken whole.
bool read_line(QSerialPort& port, QByteArray& line) {
    if (!port.waitForReadyRead(answer_wait_ms)) {
        return false;
    }
    const QDeadlineTimer rest(serial_line_ms);
    while (!port.canReadLine()) {
        if (rest.hasExpired() || !port.waitForReadyRead(int(rest.remainingTime()))) {
            return false;
        }
    }
    line = port.readLine();
    return true;
}

}  // namespace

QSerialPort& serial_port() {
    // Outlives the application object on purpose: closing at exit is left to the OS.
    static QSerialPort* port = new QSerialPort;
    return *port;
}

bool serial_open(const QByteArray& name) {
    QSerialPort& port = serial_port();
    const QString wanted = QString::fromUtf8(name);
    if (port.isOpen()) {
        if (wanted == opened_name()) {
            return true;
        }
        // The unit chosen last must be the one that answers, or the panel
        // would show and drive another unit than the bar names.
        serial_close();
    }
    port.setPortName(wanted);
    if (!port.open(QIODevice::ReadWrite)) {
        return false;
    }
    opened_name() = wanted;
    answer_owed = false;
    discard_until_quiet(port);
    return true;
}

bool serial_port_busy() {
    const QSerialPort& port = serial_port();
    // Qt's serial port takes a lock file (LCK..name) in the system's lock
    // folder and opens the device exclusively (TIOCEXCL); a port held either
    // way is refused with a permission error.
    if (port.error() != QSerialPort::PermissionError) {
        return false;
    }
#ifdef Q_OS_UNIX
    // So is a device this user may not open, which is no busy port. The
    // serial library drops "/dev/" from the name it was given.
    const QString name = port.portName();
    const QFileInfo device(QDir::isAbsolutePath(name) ? name : QStringLiteral("/dev/") + name);
    return device.isReadable() && device.isWritable();
#else
    return true;
#endif
}

void serial_set_answer_wait(int ms) {
    answer_wait_ms = ms;
}

void serial_close() {
    serial_port().close();
    serial_port().clearError();
}

bool serial_write(const QByteArray& command) {
    if (!port_usable()) {
        return false;
    }
    QSerialPort& port = serial_port();
    port.write(command);
    port.waitForBytesWritten(serial_wait_ms);
    answer_owed = true;
    return port_usable();
}

bool serial_read(QByteArray& answer) {
    QSerialPort& port = serial_port();
    // Takes in what has arrived without waiting; a port that has gone shows its error here.
    port.waitForReadyRead(0);
    if (!port_usable()) {
        return false;
    }
    answer = port.readAll();
    if (answer.contains('\n')) {
        answer_owed = false;
    }
    if (!answer.isEmpty()) {
        answer.chop(1);
    }
    return true;
}

bool serial_query(const QByteArray& command, QByteArray& answer) {
    if (!port_usable()) {
        return false;
    }
    QSerialPort& port = serial_port();
    discard_waiting_input(port);
    if (!serial_write(command)) {
        return false;
    }
    QByteArray line;
    const bool whole = read_line(port, line);
    if (!port_usable() || !whole) {
        return false;
    }
    answer_owed = false;
    line.chop(1);
    answer = line;
    return true;
}

bool serial_read_line(QByteArray& line) {
    if (!port_usable()) {
        return false;
    }
    QByteArray whole_line;
    const bool whole = read_line(serial_port(), whole_line);
    if (!port_usable() || !whole) {
        return false;
    }
    answer_owed = false;
    line = whole_line;
    return true;
}
