#pragma once

#include <QByteArray>
#include <QString>

class QSerialPort;

// The one serial port of the program; never destroyed.
QSerialPort& serial_port();

bool serial_open(const QByteArray& name);
void serial_close();
// Each of these fails at once, closes the port and announces the unit lost
// once the port has reported an error.
bool serial_write(const QByteArray& command);
// Takes what waits, without waiting.
bool serial_read(QByteArray& answer);
// Discards what waits, writes, and takes the answer line whole; fails when no
// whole line arrives in time.
bool serial_query(const QByteArray& command, QByteArray& answer);
