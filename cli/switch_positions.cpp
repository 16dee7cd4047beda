#include "cli/switch_positions.h"

#include <QRegularExpression>

#include "cli/unit_choice.h"
#include "driver/switch_model.h"

namespace {

QString switch_list(const switch_model_t& model) {
    QStringList letters;
    for (const char* sw = model.switches; *sw; ++sw) {
        letters.append(QString(QLatin1Char(*sw)));
    }
    return letters.join(QLatin1Char(' '));
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
    const switch_model_t& model = *unit.model;
    switch_positions_t read;
    for (char sw : switches) {
        char wire = '\0';
        if (!(drv_unit_instance().*model.get_state)(sw, wire)) {
            return unit.failure(QStringLiteral("switch %1 did not answer").arg(QLatin1Char(sw)));
        }
        int position = 0;
        if (!model.position_of(wire, position)) {
            return unit.failure(
                QStringLiteral("switch %1 answered no position").arg(QLatin1Char(sw)));
        }
        read.append({sw, position});
    }
    out = read;
    return {};
}

cli_status_t apply_positions(const chosen_unit_t& unit, const switch_positions_t& positions) {
    const switch_model_t& model = *unit.model;
    QByteArray switches;
    for (const switch_position_t& setting : positions) {
        if (!model.set_position(setting.sw, setting.position)) {
            return unit.failure(QStringLiteral("switch %1 did not answer its set command")
                                    .arg(QLatin1Char(setting.sw)));
        }
        switches.append(setting.sw);
    }
    switch_positions_t held;
    const cli_status_t read = read_positions(unit, switches, held);
    if (!read.ok()) {
        return read;
    }
    QStringList failures;
    for (int i = 0; i < positions.size(); ++i) {
        if (held[i].position != positions[i].position) {
            failures.append(QStringLiteral("switch %1 did not hold position %2 (reads %3)")
                                .arg(QLatin1Char(positions[i].sw))
                                .arg(positions[i].position)
                                .arg(held[i].position));
        }
    }
    if (!failures.isEmpty()) {
        return unit.failure(failures.join(QStringLiteral("; ")));
    }
    return {};
}
