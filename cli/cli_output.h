#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QJsonValue>

// What a command prints goes to standard output: text lines, or one JSON
// document under --json.
void print_line(const QByteArray& line);
void print_lines(const QByteArrayList& lines);
void print_json(const QJsonValue& value);
// One line on standard error.
void print_error(const QString& error);
