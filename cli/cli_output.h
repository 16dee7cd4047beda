#pragma once

#include <QByteArray>
#include <QJsonValue>

// What a command prints goes to standard output: text lines, or one JSON
// document under --json.
void print_line(const QByteArray& line);
void print_json(const QJsonValue& value);
// One line on standard error.
void print_error(const QString& error);
