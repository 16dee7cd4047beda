#pragma once

#include <QByteArray>
#include <QVector>

// One piece of an answer as it goes out on the wire: sent delay_ms after the
// previous piece (or after the command, for the first).
struct answer_piece_t {
    int delay_ms = 0;
    QByteArray bytes;
};

using answer_t = QVector<answer_piece_t>;
