#pragma once

#include <QByteArray>
#include <QString>

class QSerialPort;

// The serial half of the link; link.h comes here when no VISA library is
// ready. Results are honest: false when the port is closed, refused the
// bytes, reported an error, or gave no whole answer in time.

// The one serial port of the program; never destroyed.
QSerialPort& serial_port();

// Quiet that settles a port just opened: an answer that an earlier program
// gave up on (after the unit's 200 ms) and that comes as late again is dropped.
constexpr int serial_open_quiet_ms = 200;

// Opening the port that is open keeps it; opening another closes it first. A
// port newly opened drops what the line brings until it has been quiet a
// moment, so no late answer owed to an earlier program is taken.
bool serial_open(const QByteArray& name);
// After serial_open failed: true when another program holds the port.
bool serial_port_busy();
void serial_close();
// How long a query waits for the first byte of an answer; by default the
// unit's 200 ms.
void serial_set_answer_wait(int ms);
// Each of these fails at once, closes the port and announces the unit lost
// once the port has reported an error.
bool serial_write(const QByteArray& command);
// Takes what waits, without waiting.
bool serial_read(QByteArray& answer);
// Takes the next answer line whole, its line feed kept, within the same
// bounds as a query; for a client that writes and reads apart.
bool serial_read_line(QByteArray& line);
// Discards what waits, writes, and takes the answer line whole; fails when no
// whole line arrives in time. It writes through serial_write, not back up
// through link_write, so a query never leaves this file.
bool serial_query(const QByteArray& command, QByteArray& answer);
