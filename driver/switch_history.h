#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Which front end confirmed a switch, and on whose behalf.
struct switch_source_t {
    // "window", "kvtctl" or "kvt-lan".
    QString program;
    // The route the switch was set for; empty when none.
    QString route;
    // kvt-lan's face the client used: "VXI-11" or "web".
    QString protocol;
    // kvt-lan's client address.
    QString client;
};

// One switch a front end set and read back. Texts from the unit are kept as
// it sent them and shown only through shown_text.
struct switch_record_t {
    // Milliseconds since 1970-01-01 UTC.
    qint64 time_ms = 0;
    QByteArray serial_number;
    QByteArray model;
    char sw = '\0';
    // The position read before the set; -1 when this front end had not read it.
    int from = -1;
    // The position read back.
    int to = 0;
    // The state query's answer.
    QByteArray reply;
    switch_source_t source;
};

// How often a unit's switch moved (from differs from to).
struct switch_wear_t {
    QByteArray serial_number;
    char sw = '\0';
    qint64 count = 0;
};

// $XDG_STATE_HOME/quillon/history.sqlite, or ~/.local/state/quillon/history.sqlite.
QString switch_history_path();

// Why the history could not be used; empty on success.
struct history_status_t {
    enum kind_t { none, folder, open, write, read };
    kind_t kind = none;
    QString error;

    bool ok() const { return kind == none; }
};

// Appends one record in a transaction of its own. Any thread may call it;
// several programs may write at once, each waiting at most a bounded time
// for the others.
history_status_t record_switch(const switch_record_t& record);

// Records from since_ms on (all when 0), oldest first; of one serial number
// when unit is not empty; only the newest of them, at most newest, unless
// newest is all_records.
constexpr int all_records = -1;
history_status_t read_history(const QByteArray& unit, qint64 since_ms, int newest,
                              QVector<switch_record_t>& out);

// Deletes the records older than before_ms; their moves are carried into
// the wear totals in the same transaction.
history_status_t prune_history(qint64 before_ms, qint64& removed);

// Moves per unit and switch, pruned records included; of one serial number
// when unit is not empty.
history_status_t read_wear(const QByteArray& unit, QVector<switch_wear_t>& out);
