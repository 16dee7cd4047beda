#include "driver/serial_link.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSerialPort>

#include "driver/link_events.h"
#include "driver/unit_answers.h"

namespace {

// The unit starts answering within this time (unit framing rules).
constexpr int serial_wait_ms = 200;
// Once an answer has started, the rest of its line follows within this time.
constexpr int serial_line_ms = 500;
// Longest the link waits for the late answer to an earlier command to end.
constexpr int serial_settle_ms = 500;

// A port whose device has gone reports an error on the next read or write; a
// timed-out wait is not one.
bool port_failed(const QSerialPort& port) {
    return port.error() != QSerialPort::NoError && port.error() != QSerialPort::TimeoutError;
}

}  // namespace

serial_link_t::serial_link_t() : serial(new QSerialPort), answer_wait_ms(serial_wait_ms) {}

serial_link_t::~serial_link_t() = default;

bool serial_link_t::is_open() const {
    return serial->isOpen();
}

// Closes a failed port and says so, so every later operation fails at once.
bool serial_link_t::usable() {
    if (!serial->isOpen()) {
        return false;
    }
    if (!port_failed(*serial)) {
        return true;
    }
    close();
    announce_lost();
    return false;
}

// Keeps the answer to an earlier command, late or never read, from being
// taken as the answer to the next one.
void serial_link_t::discard_waiting_input() {
    if (answer_owed) {
        const QDeadlineTimer settle(serial_settle_ms);
        while (!serial->canReadLine() && !settle.hasExpired() &&
               serial->waitForReadyRead(int(settle.remainingTime()))) {
        }
        answer_owed = false;
    }
    serial->clear(QSerialPort::Input);
}

// A port just opened may still receive what the unit owed an earlier program
// or opening, which must not pass for the answer to the first query.
void serial_link_t::discard_until_quiet() {
    const QDeadlineTimer settle(serial_settle_ms);
    do {
        serial->clear(QSerialPort::Input);
    } while (!settle.hasExpired() && serial->waitForReadyRead(int(qMin<qint64>(
                                         serial_open_quiet_ms, settle.remainingTime()))));
    serial->clear(QSerialPort::Input);
}

// The answer is one line: its first byte within the unit's time, the rest of
// it within a further bound, so an answer in pieces is taken whole.
bool serial_link_t::take_line(QByteArray& line) {
    if (!usable()) {
        return false;
    }
    bool whole = serial->canReadLine() || serial->waitForReadyRead(answer_wait_ms);
    const QDeadlineTimer rest(serial_line_ms);
    while (whole && !serial->canReadLine()) {
        whole = !rest.hasExpired() && serial->waitForReadyRead(int(rest.remainingTime()));
    }
    if (!usable() || !whole) {
        return false;
    }
    answer_owed = false;
    line = serial->readLine();
    return true;
}

bool serial_link_t::open(const QByteArray& name) {
    const QString wanted = QString::fromUtf8(name);
    if (serial->isOpen()) {
        if (name == opened_name) {
            return true;
        }
        // The unit chosen last must be the one that answers, or the panel
        // would show and drive another unit than the bar names.
        close();
    }
    serial->setPortName(wanted);
    if (!serial->open(QIODevice::ReadWrite)) {
        return false;
    }
    opened_name = name;
    answer_owed = false;
    discard_until_quiet();
    return true;
}

bool serial_link_t::busy() const {
    // Qt's serial port takes a lock file (LCK..name) in the system's lock
    // folder and opens the device exclusively (TIOCEXCL); a port held either
    // way is refused with a permission error.
    if (serial->error() != QSerialPort::PermissionError) {
        return false;
    }
#ifdef Q_OS_UNIX
    // So is a device this user may not open, which is no busy port. The
    // serial library drops "/dev/" from the name it was given.
    const QString name = serial->portName();
    const QFileInfo device(QDir::isAbsolutePath(name) ? name : QStringLiteral("/dev/") + name);
    return device.isReadable() && device.isWritable();
#else
    return true;
#endif
}

void serial_link_t::set_answer_timeout(int ms) {
    answer_wait_ms = ms > 0 ? ms : serial_wait_ms;
}

void serial_link_t::close() {
    serial->close();
    serial->clearError();
}

bool serial_link_t::write(const QByteArray& command) {
    if (!usable()) {
        return false;
    }
    serial->write(command);
    serial->waitForBytesWritten(serial_wait_ms);
    // A command the unit never answers leaves no answer for the next query to wait out.
    answer_owed = unit_answers(command);
    return usable();
}

bool serial_link_t::read(QByteArray& answer) {
    // Takes in what has arrived without waiting; a port that has gone shows its error here.
    if (serial->isOpen()) {
        serial->waitForReadyRead(0);
    }
    if (!usable()) {
        return false;
    }
    // Nothing waiting is an empty answer here; the caller decides what it means.
    const QByteArray waiting = serial->readAll();
    if (waiting.contains('\n')) {
        answer_owed = false;
    }
    answer = waiting.isEmpty() ? waiting : waiting.chopped(1);
    return true;
}

bool serial_link_t::query(const QByteArray& command, QByteArray& answer) {
    if (!usable()) {
        return false;
    }
    discard_waiting_input();
    QByteArray line;
    if (!write(command) || !take_line(line)) {
        return false;
    }
    line.chop(1);
    answer = line;
    return true;
}

bool serial_link_t::read_line(QByteArray& line) {
    return take_line(line);
}

serial_link_t& current_serial_link() {
    // Outlives the application object on purpose: closing at exit is left to the OS.
    static serial_link_t* link = [] {
        auto* made = new serial_link_t;
        made->on_lost = [](const QString& name) { emit link_events().unit_lost(name); };
        return made;
    }();
    return *link;
}

QSerialPort& serial_port() {
    return current_serial_link().port();
}

bool serial_open(const QByteArray& name) {
    return current_serial_link().open(name);
}

bool serial_port_busy() {
    return current_serial_link().busy();
}

void serial_set_answer_wait(int ms) {
    current_serial_link().set_answer_timeout(ms);
}

void serial_close() {
    current_serial_link().close();
}

bool serial_write(const QByteArray& command) {
    return current_serial_link().write(command);
}

bool serial_read(QByteArray& answer) {
    return current_serial_link().read(answer);
}

bool serial_query(const QByteArray& command, QByteArray& answer) {
    return current_serial_link().query(command, answer);
}

bool serial_read_line(QByteArray& line) {
    return current_serial_link().read_line(line);
}
