#pragma once

#include <QByteArray>
#include <QString>

class QSerialPort;

// The one serial port of the program; never destroyed.
QSerialPort& serial_port();

bool serial_open(const QByteArray& name);
void serial_close();
bool serial_write(const QByteArray& command);
bool serial_read(QByteArray& answer);
bool serial_query(const QByteArray& command, QByteArray& answer);
