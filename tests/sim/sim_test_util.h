#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include "sim/answer_piece.h"
#include "sim/sim_config.h"

// An answer as "delay:bytes" per piece joined by "|", so rows can spell out
// both the bytes and their timing.
inline QByteArray describe(const answer_t& answer) {
    QByteArrayList pieces;
    for (const answer_piece_t& piece : answer) {
        pieces.append(QByteArray::number(piece.delay_ms) + ':' + piece.bytes);
    }
    return pieces.join('|');
}

inline QByteArray wire_bytes(const answer_t& answer) {
    QByteArray bytes;
    for (const answer_piece_t& piece : answer) {
        bytes += piece.bytes;
    }
    return bytes;
}

// The one unit a config text describes; a default two-port unit when the text
// does not parse, which the caller's checks then show.
inline sim_unit_config_t unit_config(const QString& text) {
    QVector<sim_unit_config_t> units;
    QString error;
    if (!sim_parse_units(text, units, error) || units.size() != 1) {
        qWarning("bad unit text %s: %s", qPrintable(text), qPrintable(error));
        return sim_default_config(sim_model_t::kvt0402q);
    }
    return units.first();
}
