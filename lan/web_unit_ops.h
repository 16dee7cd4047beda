#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class web_unit_calls_t;

// What an operation on one unit came to: a status, and the JSON object to
// answer with (status 200) or the problem's detail.
struct web_outcome_t {
    int status = 200;
    QJsonObject object;
    QString detail;
};

// These run on a job thread, never on the network thread: each waits for the
// unit through its worker.

// The unit's identity as kvtctl --json info prints it, with the name it is
// served under and its state; its positions as kvtctl --json get prints them
// when asked for.
web_outcome_t describe_unit(web_unit_calls_t& calls, const QByteArray& name,
                            const QString& resource, bool with_positions);

// Moves the switch with the core's one operation, on the unit's worker, and reports what the unit
// then says.
web_outcome_t move_unit_switch(web_unit_calls_t& calls, const QByteArray& name,
                               const QByteArray& sw, int position, const QString& client);
