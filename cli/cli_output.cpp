#include "cli/cli_output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

void print_line(const QByteArray& line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
}

void print_lines(const QByteArrayList& lines) {
    for (const QByteArray& line : lines) {
        print_line(line);
    }
}

void print_json(const QJsonValue& value) {
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    const QByteArray text = document.toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
}

void print_error(const QString& error) {
    // A unit's answer may hold line breaks; the error stays one line.
    QString line = error;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    std::fprintf(stderr, "kvtctl: %s\n", line.toLocal8Bit().constData());
}
