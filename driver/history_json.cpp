#include "driver/history_json.h"

#include <QDateTime>
#include <QJsonValue>

#include "driver/unit_identity.h"

namespace {

QJsonValue text_or_null(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

}  // namespace

QString history_time_text(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

bool parse_history_time(const QString& text, qint64& ms) {
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        time = QDateTime(date, QTime(0, 0), Qt::UTC);
    } else if (time.timeSpec() == Qt::LocalTime) {
        time.setTimeSpec(Qt::UTC);
    }
    if (!time.isValid()) {
        return false;
    }
    ms = time.toMSecsSinceEpoch();
    return true;
}

QJsonObject switch_record_json(const switch_record_t& record) {
    return {
        {QStringLiteral("time"), history_time_text(record.time_ms)},
        {QStringLiteral("serial_number"), shown_text(record.serial_number)},
        {QStringLiteral("model"), shown_text(record.model)},
        {QStringLiteral("switch"), QString(QLatin1Char(record.sw))},
        {QStringLiteral("from"), record.from < 0 ? QJsonValue() : QJsonValue(record.from)},
        {QStringLiteral("to"), record.to},
        {QStringLiteral("reply"), shown_text(record.reply)},
        {QStringLiteral("source"), record.source.program},
        {QStringLiteral("route"), text_or_null(record.source.route)},
        {QStringLiteral("protocol"), text_or_null(record.source.protocol)},
        {QStringLiteral("client"), text_or_null(record.source.client)},
    };
}

QJsonObject switch_wear_json(const switch_wear_t& wear) {
    return {{QStringLiteral("serial_number"), shown_text(wear.serial_number)},
            {QStringLiteral("switch"), QString(QLatin1Char(wear.sw))},
            {QStringLiteral("count"), wear.count}};
}
