#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "driver/unit_link.h"

class QSerialPort;

// Quiet that settles a port just opened: an answer that an earlier program
// gave up on (after the unit's 200 ms) and that comes as late again is dropped.
constexpr int serial_open_quiet_ms = 200;

// A unit on a serial port. Opening the port that is open keeps it; opening
// another closes it first. A port newly opened drops what the line brings
// until it has been quiet a moment, so no late answer owed to an earlier
// program is taken. Each operation fails at once, closes the port and
// announces the unit lost once the port has reported an error.
class serial_link_t : public unit_link_t {
public:
    serial_link_t();
    ~serial_link_t() override;

    bool open(const QByteArray& name) override;
    void close() override;
    bool is_open() const override;
    bool busy() const override;

    bool write(const QByteArray& command) override;
    // Takes what waits, without waiting; false when nothing does.
    bool read(QByteArray& answer) override;
    // Discards what waits, writes, and takes the answer line whole.
    bool query(const QByteArray& command, QByteArray& answer) override;
    bool read_line(QByteArray& line) override;
    void set_answer_timeout(int ms) override;

    QSerialPort& port() { return *serial; }

private:
    bool usable();
    void discard_waiting_input();
    void discard_until_quiet();
    bool take_line(QByteArray& line);

    std::unique_ptr<QSerialPort> serial;
    // The wait for an answer's first byte; a slow unit may be given longer.
    int answer_wait_ms;
    // True while an answer that the link has not taken may still be on its way.
    bool answer_owed = false;
};

// The serial half of the window's one link; link.h comes here when no VISA
// library is ready.
serial_link_t& current_serial_link();
// The port of that link; never destroyed.
QSerialPort& serial_port();
bool serial_open(const QByteArray& name);
// After serial_open failed: true when another program holds the port.
bool serial_port_busy();
void serial_close();
// How long a query waits for the first byte of an answer; by default the
// unit's 200 ms.
void serial_set_answer_wait(int ms);
bool serial_write(const QByteArray& command);
bool serial_read(QByteArray& answer);
bool serial_read_line(QByteArray& line);
bool serial_query(const QByteArray& command, QByteArray& answer);
