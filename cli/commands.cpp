#include "cli/commands.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

#include "cli/cli_output.h"
#include "cli/position_file.h"
#include "cli/switch_positions.h"
#include "cli/unit_choice.h"
#include "cli/upgrade_command.h"
#include "driver/link.h"
#include "driver/switch_model.h"
#include "panel/unit_discovery.h"

namespace {

// The unit's identity, field names as in unit_info_t.
QVector<QPair<QString, QByteArray>> identity_fields(const chosen_unit_t& unit) {
    return {
        {QStringLiteral("unit"), unit.name.toUtf8()},
        {QStringLiteral("model"), unit.info.model},
        {QStringLiteral("serial_number"), unit.info.serial_number},
        {QStringLiteral("software_version"), unit.info.software_version},
        {QStringLiteral("product_id"), unit.info.product_id},
    };
}

QJsonObject identity_json(const chosen_unit_t& unit) {
    QJsonObject object;
    for (const auto& field : identity_fields(unit)) {
        object.insert(field.first, QString::fromUtf8(field.second));
    }
    return object;
}

// Rows of text in columns as wide as their widest cell.
void print_columns(const QVector<QByteArrayList>& rows) {
    QVector<int> widths;
    for (const QByteArrayList& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (int i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], int(row[i].size()));
        }
    }
    for (const QByteArrayList& row : rows) {
        QByteArray line;
        for (int i = 0; i < row.size(); ++i) {
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2, ' ') : row[i];
        }
        print_line(line);
    }
}

void print_positions(const invocation_t& call, const chosen_unit_t& unit,
                     const switch_positions_t& positions) {
    if (!call.json) {
        for (const switch_position_t& setting : positions) {
            print_line(QByteArray(1, setting.sw) + '=' + QByteArray::number(setting.position));
        }
        return;
    }
    print_json(QJsonObject{
        {QStringLiteral("unit"), unit.name},
        {QStringLiteral("model"), QString::fromLatin1(unit.model->name)},
        {QStringLiteral("serial_number"), QString::fromUtf8(unit.info.serial_number)},
        {QStringLiteral("positions"), positions_json(positions)},
    });
}

void print_answer(const invocation_t& call, const chosen_unit_t& unit, const QByteArray& answer) {
    if (call.json) {
        print_json(QJsonObject{{QStringLiteral("unit"), unit.name},
                               {QStringLiteral("answer"), QString::fromUtf8(answer)}});
    } else {
        print_line(answer);
    }
}

// Under --json a command that set or saved positions prints what the unit
// then holds, as get does.
cli_status_t print_held(const invocation_t& call, const chosen_unit_t& unit) {
    if (!call.json) {
        return {};
    }
    switch_positions_t held;
    const cli_status_t status = read_positions(unit, unit.model->switches, held);
    if (status.ok()) {
        print_positions(call, unit, held);
    }
    return status;
}

cli_status_t run_list(const invocation_t& call) {
    if (!call.unit.isEmpty()) {
        return usage_error(
            QStringLiteral("list shows every unit and takes no --unit (info shows one)"));
    }
    QJsonArray units;
    QVector<QByteArrayList> rows;
    QStringList failures;
    for (const QString& name : find_units()) {
        chosen_unit_t unit(name);
        const cli_status_t opened = open_unit(unit, true);
        if (!opened.ok()) {
            failures.append(opened.error);
            continue;
        }
        units.append(identity_json(unit));
        QByteArrayList row;
        for (const auto& field : identity_fields(unit)) {
            row.append(field.second);
        }
        rows.append(row);
    }
    if (call.json) {
        print_json(units);
    } else {
        print_columns(rows);
    }
    if (!failures.isEmpty()) {
        return unit_failure(failures.join(QStringLiteral("; ")));
    }
    if (units.isEmpty()) {
        return unit_failure(QStringLiteral("no unit found"));
    }
    return {};
}

cli_status_t run_info(const invocation_t& call) {
    chosen_unit_t unit;
    const cli_status_t chosen = choose_unit(call.unit, true, unit);
    if (!chosen.ok()) {
        return chosen;
    }
    if (call.json) {
        print_json(identity_json(unit));
        return {};
    }
    QVector<QByteArrayList> rows;
    for (const auto& field : identity_fields(unit)) {
        rows.append({field.first.toUtf8(), field.second});
    }
    print_columns(rows);
    return {};
}

cli_status_t run_get(const invocation_t& call) {
    QByteArray switches;
    for (const QString& word : call.arguments) {
        if (word.size() != 1 || word.at(0) < QLatin1Char('A') || word.at(0) > QLatin1Char('Z')) {
            return usage_error(QStringLiteral("\"%1\" is not a switch letter").arg(word));
        }
        switches.append(word.at(0).toLatin1());
    }
    chosen_unit_t unit;
    cli_status_t status = choose_unit(call.unit, true, unit);
    if (!status.ok()) {
        return status;
    }
    if (switches.isEmpty()) {
        switches = unit.model->switches;
    }
    status = unit.named(check_switches(switches, *unit.model));
    switch_positions_t positions;
    if (status.ok()) {
        status = read_positions(unit, switches, positions);
    }
    if (status.ok()) {
        print_positions(call, unit, positions);
    }
    return status;
}

cli_status_t run_set(const invocation_t& call) {
    switch_positions_t positions;
    cli_status_t status = parse_assignments(call.arguments, positions);
    if (!status.ok()) {
        return status;
    }
    chosen_unit_t unit;
    status = choose_unit(call.unit, true, unit);
    if (!status.ok()) {
        return status;
    }
    status = unit.named(check_for_model(positions, *unit.model));
    if (status.ok()) {
        status = apply_positions(unit, positions);
    }
    return status.ok() ? print_held(call, unit) : status;
}

cli_status_t run_save(const invocation_t& call) {
    chosen_unit_t unit;
    cli_status_t status = choose_unit(call.unit, true, unit);
    position_file_t file;
    if (status.ok()) {
        status = read_positions(unit, unit.model->switches, file.positions);
    }
    if (!status.ok()) {
        return status;
    }
    file.model = unit.model->name;
    file.serial_number = unit.info.serial_number;
    const QString& path = call.arguments.at(0);
    status = save_position_file(path, file);
    // Saved to standard output, the file is the output.
    if (status.ok() && call.json && !names_standard_stream(path)) {
        print_positions(call, unit, file.positions);
    }
    return status;
}

cli_status_t run_restore(const invocation_t& call) {
    const QString& path = call.arguments.at(0);
    position_file_t file;
    cli_status_t status = load_position_file(path, file);
    if (!status.ok()) {
        return status;
    }
    chosen_unit_t unit;
    status = choose_unit(call.unit, true, unit);
    if (!status.ok()) {
        return status;
    }
    if (model_named(file.model) != unit.model) {
        return unit.named(usage_error(QStringLiteral("%1 holds positions of a %2, not of a %3")
                                          .arg(source_name(path), QString::fromUtf8(file.model),
                                               QString::fromLatin1(unit.model->name))));
    }
    status = unit.named(check_for_model(file.positions, *unit.model));
    if (status.ok()) {
        status = apply_positions(unit, file.positions);
    }
    return status.ok() ? print_held(call, unit) : status;
}

// The raw commands talk to the unit as the console does: no identification
// first, so a unit that does not identify itself can still be asked.
cli_status_t choose_raw_unit(const invocation_t& call, chosen_unit_t& unit) {
    if (!call.arguments.isEmpty() && call.arguments.first().isEmpty()) {
        return usage_error(QStringLiteral("the command text is empty"));
    }
    return choose_unit(call.unit, false, unit);
}

cli_status_t run_query(const invocation_t& call) {
    chosen_unit_t unit;
    cli_status_t status = choose_raw_unit(call, unit);
    QByteArray answer;
    if (status.ok() && !link_query(call.arguments.first().toUtf8(), answer)) {
        status = unit.failure(QStringLiteral("no answer to %1").arg(call.arguments.first()));
    }
    if (status.ok()) {
        print_answer(call, unit, answer);
    }
    return status;
}

cli_status_t run_write(const invocation_t& call) {
    chosen_unit_t unit;
    cli_status_t status = choose_raw_unit(call, unit);
    if (status.ok() && !link_write(call.arguments.first().toUtf8())) {
        status = unit.failure(QStringLiteral("%1 could not be sent").arg(call.arguments.first()));
    }
    if (status.ok() && call.json) {
        print_json(QJsonObject{{QStringLiteral("unit"), unit.name}});
    }
    return status;
}

cli_status_t run_read(const invocation_t& call) {
    chosen_unit_t unit;
    cli_status_t status = choose_raw_unit(call, unit);
    QByteArray answer;
    if (status.ok() && !link_read(answer)) {
        status = unit.failure(QStringLiteral("nothing to read"));
    }
    if (status.ok()) {
        print_answer(call, unit, answer);
    }
    return status;
}

const command_t all_commands[] = {
    {"list", "", "every unit found, with its identity",
     "Lists every unit the link reaches: resource or port, model, serial number, software "
     "version and product number.",
     0, 0, run_list},
    {"info", "", "the identity of the unit", "Prints the identity of one unit.", 0, 0, run_info},
    {"get", "[SWITCH...]", "switch positions as the front panel numbers them",
     "Prints the position of each switch named, or of every switch: 1 or 2 on the KVT0402Q, "
     "0 (no path) to 6 on the KVT0206Q.",
     0, -1, run_get},
    {"set", "SWITCH=POS...", "set switches and check that they hold",
     "Sets each switch, then reads each back; fails naming every switch that does not hold its "
     "position. A switch the unit lacks or a position outside its range is refused before "
     "anything is sent. With --json it prints what the unit then holds, as get does.",
     1, -1, run_set},
    {"save", "FILE", "all positions of the unit to a JSON file",
     "Writes the unit's model, serial number and the positions of all its switches to FILE, "
     "or to standard output when FILE is -. With --json it also prints the positions as get "
     "does, unless FILE is -.",
     1, 1, run_save},
    {"restore", "FILE", "the positions of a saved file",
     "Sets the positions that FILE holds and checks that they hold; a file saved from another "
     "model is refused. - is standard input. With --json it prints what the unit then holds.",
     1, 1, run_restore},
    {"query", "TEXT", "send a command and print its answer",
     "Sends TEXT as it is, with nothing appended, and prints the unit's answer.", 1, 1, run_query},
    {"write", "TEXT", "send a command", "Sends TEXT as it is, with nothing appended.", 1, 1,
     run_write},
    {"read", "", "print what the unit has sent", "Prints the answer the unit has sent.", 0, 0,
     run_read},
    {"upgrade", "FILE", "send an upgrade image to the unit",
     "Sends the upgrade image FILE to the unit over VISA, as the window's upgrade does, showing "
     "its progress, and prints the unit's software version afterwards. A file the unit would "
     "refuse is refused with the reason, and nothing of it is sent.",
     1, 1, run_upgrade},
};

}  // namespace

const command_t* find_command(const QString& name) {
    for (const command_t& command : all_commands) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

QString command_summaries() {
    QStringList lines;
    for (const command_t& command : all_commands) {
        const QString usage = QStringLiteral("%1 %2").arg(command.name, command.syntax);
        lines.append(QStringLiteral("  %1%2").arg(usage, -22).arg(command.summary));
    }
    return lines.join(QLatin1Char('\n'));
}
