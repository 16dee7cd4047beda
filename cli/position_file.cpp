#include "cli/position_file.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>
#include <cstdio>

namespace {

// Far beyond any real file; keeps a wrong path from being read whole.
constexpr qint64 max_file_size = 64 * 1024;

// A file that was read but holds no positions was the wrong file to give.
cli_status_t file_error(const QString& path, const QString& what) {
    return usage_error(QStringLiteral("%1: %2").arg(source_name(path), what));
}

cli_status_t write_standard_output(const QByteArray& text) {
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(text) != text.size() || !out.flush()) {
        return file_failure(QStringLiteral("standard output"), out.errorString());
    }
    return {};
}

// Reads one byte beyond the limit, so a longer file is told from one that fits.
bool read_bounded(QFile& in, QByteArray& text) {
    text.clear();
    while (text.size() <= max_file_size) {
        const QByteArray piece = in.read(max_file_size + 1 - text.size());
        if (piece.isEmpty()) {
            return in.error() == QFileDevice::NoError;
        }
        text += piece;
    }
    return true;
}

// A whole number that safely becomes an int; which ones are positions is the model's matter.
bool read_position(const QJsonValue& value, int& position) {
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > 99 || std::floor(number) != number) {
        return false;
    }
    position = int(number);
    return true;
}

}  // namespace

QString source_name(const QString& path) {
    return names_standard_stream(path) ? QStringLiteral("standard input") : path;
}

cli_status_t save_position_file(const QString& path, const position_file_t& file) {
    const QJsonObject root{
        {QStringLiteral("model"), QString::fromUtf8(file.model)},
        {QStringLiteral("serial_number"), QString::fromUtf8(file.serial_number)},
        {QStringLiteral("positions"), positions_json(file.positions)},
    };
    const QByteArray text = QJsonDocument(root).toJson();
    if (names_standard_stream(path)) {
        return write_standard_output(text);
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) < 0 || !out.commit()) {
        return file_failure(path, out.errorString());
    }
    return {};
}

cli_status_t load_position_file(const QString& path, position_file_t& file) {
    QFile in(path);
    const bool opened = names_standard_stream(path) ? in.open(stdin, QIODevice::ReadOnly)
                                                    : in.open(QIODevice::ReadOnly);
    QByteArray text;
    if (!opened || !read_bounded(in, text)) {
        return file_failure(source_name(path), in.errorString());
    }
    if (text.size() > max_file_size) {
        return file_error(path, QStringLiteral("too large for a positions file"));
    }
    QJsonParseError parse_error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parse_error);
    if (document.isNull()) {
        return file_error(path, parse_error.errorString());
    }
    const QJsonObject root = document.object();
    const QJsonValue model = root.value(QStringLiteral("model"));
    const QJsonValue positions = root.value(QStringLiteral("positions"));
    if (!model.isString() || !positions.isObject() || positions.toObject().isEmpty()) {
        return file_error(path, QStringLiteral("no model and positions"));
    }
    position_file_t loaded;
    loaded.model = model.toString().toUtf8();
    loaded.serial_number = root.value(QStringLiteral("serial_number")).toString().toUtf8();
    const QJsonObject table = positions.toObject();
    for (auto it = table.begin(); it != table.end(); ++it) {
        int position = 0;
        const QString& sw = it.key();
        if (sw.size() != 1 || sw.at(0) < QLatin1Char('A') || sw.at(0) > QLatin1Char('Z') ||
            !read_position(it.value(), position)) {
            return file_error(path,
                              QStringLiteral("\"%1\" is not a switch and its position").arg(sw));
        }
        loaded.positions.append({sw.at(0).toLatin1(), position});
    }
    file = loaded;
    return {};
}
