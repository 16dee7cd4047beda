#include "cli/switch_positions.h"

#include <QRegularExpression>

#include "cli/unit_choice.h"
#include "driver/switch_model.h"
#include "driver/switch_move.h"

namespace {

QString switch_list(const switch_model_t& model) {
    QStringList letters;
    for (const char* sw = model.switches; *sw; ++sw) {
        letters.append(QString(QLatin1Char(*sw)));
    }
    return letters.join(QLatin1Char(' '));
}

// Why the unit told no position for switch sw.
QString report_text(char sw, const switch_report_t& report) {
    switch (report.status) {
        case switch_report_t::not_identified:
            return QStringLiteral("did not identify itself");
        case switch_report_t::no_position:
            return no_position_text(sw, report.answer);
        default:
            return QStringLiteral("switch %1 did not answer").arg(QLatin1Char(sw));
    }
}

}  // namespace

QJsonObject positions_json(const switch_positions_t& positions) {
    QJsonObject table;
    for (const switch_position_t& setting : positions) {
        table.insert(QString(QLatin1Char(setting.sw)), setting.position);
    }
    return table;
}

cli_status_t parse_assignments(const QStringList& words, switch_positions_t& out) {
    static const QRegularExpression form(QStringLiteral("^([A-Z])=([0-9]{1,9})$"));
    switch_positions_t parsed;
    for (const QString& word : words) {
        const QRegularExpressionMatch match = form.match(word);
        if (!match.hasMatch()) {
            return usage_error(QStringLiteral("\"%1\" is not SWITCH=POSITION, e.g. A=2").arg(word));
        }
        parsed.append({match.captured(1).at(0).toLatin1(), match.captured(2).toInt()});
    }
    out = parsed;
    return {};
}

cli_status_t check_switches(const QByteArray& switches, const switch_model_t& model) {
    for (char sw : switches) {
        if (!model.has_switch(sw)) {
            return usage_error(
                QStringLiteral("%1 has no switch %2 (switches %3)")
                    .arg(QLatin1String(model.name), QString(QLatin1Char(sw)), switch_list(model)));
        }
    }
    return {};
}

cli_status_t check_for_model(const switch_positions_t& positions, const switch_model_t& model) {
    QByteArray seen;
    for (const switch_position_t& setting : positions) {
        const cli_status_t known = check_switches(QByteArray(1, setting.sw), model);
        if (!known.ok()) {
            return known;
        }
        if (!model.has_position(setting.position)) {
            return usage_error(QStringLiteral("%1 switch %2 has no position %3 (%4 to %5)")
                                   .arg(QLatin1String(model.name), QString(QLatin1Char(setting.sw)))
                                   .arg(setting.position)
                                   .arg(model.first_position)
                                   .arg(model.last_position));
        }
        if (seen.contains(setting.sw)) {
            return usage_error(
                QStringLiteral("switch %1 is given more than once").arg(QLatin1Char(setting.sw)));
        }
        seen.append(setting.sw);
    }
    return {};
}

cli_status_t read_positions(const chosen_unit_t& unit, const QByteArray& switches,
                            switch_positions_t& out) {
    switch_positions_t read;
    for (char sw : switches) {
        const switch_report_t report = unit.model->read_switch(*unit.unit, sw);
        if (report.status != switch_report_t::reported) {
            return unit.failure(report_text(sw, report));
        }
        read.append({sw, report.position});
    }
    out = read;
    return {};
}

int position_in(const switch_positions_t& positions, char sw) {
    for (const switch_position_t& setting : positions) {
        if (setting.sw == sw) {
            return setting.position;
        }
    }
    return -1;
}

cli_status_t apply_positions(const chosen_unit_t& unit, const switch_positions_t& positions,
                             const switch_source_t& source, const switch_positions_t& before) {
    QStringList failures;
    for (int i = 0; i < positions.size(); ++i) {
        const char sw = positions[i].sw;
        const switch_report_t report = move_switch(
            *unit.model, *unit.unit, sw, positions[i].position, position_in(before, sw), source);
        QString silence;
        if (!report.set_answered) {
            silence =
                QStringLiteral("switch %1 did not answer its set command").arg(QLatin1Char(sw));
        } else if (report.status != switch_report_t::reported) {
            silence = report_text(sw, report);
        }
        // A unit that fell silent is asked no more, and what it was not asked is named.
        if (!silence.isEmpty()) {
            failures.append(silence);
            for (const switch_position_t& left : positions.mid(i + 1)) {
                failures.append(
                    QStringLiteral("switch %1 not attempted").arg(QLatin1Char(left.sw)));
            }
            break;
        }
        if (report.position != positions[i].position) {
            failures.append(QStringLiteral("switch %1 did not hold position %2 (reads %3)")
                                .arg(QLatin1Char(sw))
                                .arg(positions[i].position)
                                .arg(report.position));
        }
    }
    if (!failures.isEmpty()) {
        return unit.failure(failures.join(QStringLiteral("; ")));
    }
    return {};
}
