#pragma once

#include <QByteArray>

// Every text exchange with a unit goes through these: VISA when the VISA
// binding is ready, else the open serial port, else they fail and send nothing.
bool link_write(const QByteArray& command);
bool link_read(QByteArray& answer);
bool link_query(const QByteArray& command, QByteArray& answer);

// Text-level reads over VISA, this many bytes at a time; a longer answer is
// read on to its end.
constexpr int visa_answer_size = 60;
bool visa_read_answer(QByteArray& answer);
bool visa_query(const QByteArray& command, QByteArray& answer);
