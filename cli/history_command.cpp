#include "cli/history_command.h"

#include <QJsonArray>
#include <QJsonObject>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "driver/history_json.h"
#include "driver/switch_history.h"
#include "driver/unit_identity.h"

namespace {

// A time as the history's options take it.
cli_status_t parse_time(const QString& option, const QString& text, qint64& ms) {
    if (parse_history_time(text, ms)) {
        return {};
    }
    return usage_error(
        QStringLiteral("%1 takes an ISO 8601 time such as 2026-12-08T13:00:00Z, not \"%2\"")
            .arg(option, text));
}

// The one unit --unit names, or none; no unit is opened.
cli_status_t history_unit(const invocation_t& call, QByteArray& unit) {
    if (call.all || call.units.size() > 1) {
        return usage_error(QStringLiteral("the history is of one unit (--unit NAME) or of all"));
    }
    unit = call.units.isEmpty() ? QByteArray() : call.units.first().toUtf8();
    return {};
}

QByteArray record_line(const switch_record_t& record) {
    QStringList words = {
        history_time_text(record.time_ms),
        shown_text(record.serial_number),
        shown_text(record.model),
        QString(QLatin1Char(record.sw)),
        QStringLiteral("%1->%2")
            .arg(record.from < 0 ? QStringLiteral("?") : QString::number(record.from))
            .arg(record.to),
        record.source.program};
    for (const QString& more :
         {record.source.route, record.source.protocol, record.source.client}) {
        if (!more.isEmpty()) {
            words.append(more);
        }
    }
    return words.join(QLatin1Char(' ')).toUtf8();
}

cli_status_t history_failure(const history_status_t& status) {
    return unit_failure(QStringLiteral("switching history %1").arg(status.error));
}

cli_status_t prune(const invocation_t& call) {
    if (!call.units.isEmpty() || !call.since.isEmpty()) {
        return usage_error(QStringLiteral("--prune-before removes the records of every unit"));
    }
    qint64 before_ms = 0;
    const cli_status_t parsed =
        parse_time(QStringLiteral("--prune-before"), call.prune_before, before_ms);
    if (!parsed.ok()) {
        return parsed;
    }
    qint64 removed = 0;
    const history_status_t pruned = prune_history(before_ms, removed);
    if (!pruned.ok()) {
        return history_failure(pruned);
    }
    if (call.json) {
        print_json(QJsonObject{{QStringLiteral("removed"), removed}});
    } else {
        print_line(QByteArray::number(removed) + " records removed");
    }
    return {};
}

}  // namespace

cli_status_t run_history(const invocation_t& call) {
    if (!call.prune_before.isEmpty()) {
        return prune(call);
    }
    QByteArray unit;
    cli_status_t status = history_unit(call, unit);
    qint64 since_ms = 0;
    if (status.ok() && !call.since.isEmpty()) {
        status = parse_time(QStringLiteral("--since"), call.since, since_ms);
    }
    if (!status.ok()) {
        return status;
    }
    QVector<switch_record_t> records;
    const history_status_t read = read_history(unit, since_ms, all_records, records);
    if (!read.ok()) {
        return history_failure(read);
    }
    if (call.json) {
        QJsonArray array;
        for (const switch_record_t& record : records) {
            array.append(switch_record_json(record));
        }
        print_json(array);
        return {};
    }
    for (const switch_record_t& record : records) {
        print_line(record_line(record));
    }
    return {};
}

cli_status_t run_wear(const invocation_t& call) {
    QByteArray unit;
    const cli_status_t status = history_unit(call, unit);
    if (!status.ok()) {
        return status;
    }
    QVector<switch_wear_t> wear;
    const history_status_t read = read_wear(unit, wear);
    if (!read.ok()) {
        return history_failure(read);
    }
    QJsonArray array;
    for (const switch_wear_t& one : wear) {
        if (call.json) {
            array.append(switch_wear_json(one));
        } else {
            print_line(QStringLiteral("%1 %2 %3")
                           .arg(shown_text(one.serial_number), QString(QLatin1Char(one.sw)))
                           .arg(one.count)
                           .toUtf8());
        }
    }
    if (call.json) {
        print_json(array);
    }
    return {};
}
