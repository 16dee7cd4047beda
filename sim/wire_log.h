#pragma once

#include <QByteArray>
#include <functional>

#include "sim/answer_piece.h"

// Bytes as a readable log text: printable ASCII as is, the rest escaped; long
// data (firmware blocks) cut short with its size noted.
QByteArray wire_text(const QByteArray& bytes);

using unit_handler_t = std::function<answer_t(const QByteArray&)>;

// The handler with every command and answer piece logged to standard error,
// each line starting with the tag.
unit_handler_t logged_handler(const QByteArray& tag, unit_handler_t handler);
