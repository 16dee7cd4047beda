#pragma once

#include <QByteArray>

// Every text exchange with a unit goes through these: VISA when the VISA
// binding is ready, else the open serial port, else they fail and send nothing.
bool link_write(const QByteArray& command);
bool link_read(QByteArray& answer);
bool link_query(const QByteArray& command, QByteArray& answer);

// Text-level reads over VISA; an answer is at most this many bytes.
constexpr int visa_answer_size = 60;
bool visa_read_answer(QByteArray& answer);
bool visa_query(const QByteArray& command, QByteArray& answer);
