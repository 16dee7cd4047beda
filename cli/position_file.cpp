#include "cli/position_file.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

namespace {

// Far beyond any real file; keeps a wrong path from being read whole.
constexpr qint64 max_file_size = 64 * 1024;

cli_status_t file_error(const QString& path, const QString& what) {
    return usage_error(QStringLiteral("%1: %2").arg(path, what));
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

cli_status_t save_position_file(const QString& path, const position_file_t& file) {
    const QJsonObject root{
        {QStringLiteral("model"), QString::fromUtf8(file.model)},
        {QStringLiteral("serial_number"), QString::fromUtf8(file.serial_number)},
        {QStringLiteral("positions"), positions_json(file.positions)},
    };
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(root).toJson()) < 0 ||
        !out.commit()) {
        return file_error(path, out.errorString());
    }
    return {};
}

cli_status_t load_position_file(const QString& path, position_file_t& file) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        return file_error(path, in.errorString());
    }
    if (in.size() > max_file_size) {
        return file_error(path, QStringLiteral("too large for a positions file"));
    }
    QJsonParseError parse_error;
    const QJsonDocument document = QJsonDocument::fromJson(in.read(max_file_size), &parse_error);
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
