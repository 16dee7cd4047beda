#pragma once

#include <QByteArray>

#include "driver/unit_link.h"

// The window's one link: VISA when the VISA binding is ready, else the
// serial port (serial_link.h); closed, it fails and sends nothing.
unit_link_t& current_link();

// Every text exchange of the window with its unit goes through these.
bool link_write(const QByteArray& command);
bool link_read(QByteArray& answer);
bool link_query(const QByteArray& command, QByteArray& answer);
