#pragma once

#include <QJsonObject>
#include <QString>

#include "driver/switch_history.h"

// The switching history as every program prints it: times in ISO 8601 UTC
// with milliseconds, unit text in shown_text's form.

QString history_time_text(qint64 ms);

// ISO 8601, a date alone meaning its midnight; a time without an offset is
// UTC. False for anything else.
bool parse_history_time(const QString& text, qint64& ms);

QJsonObject switch_record_json(const switch_record_t& record);
QJsonObject switch_wear_json(const switch_wear_t& wear);
