#include "cli/commands.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

#include "cli/cli_output.h"
#include "cli/history_command.h"
#include "cli/position_file.h"
#include "cli/route_command.h"
#include "cli/switch_positions.h"
#include "cli/unit_choice.h"
#include "cli/upgrade_command.h"
#include "driver/switch_history.h"
#include "driver/switch_model.h"
#include "driver/unit_identity.h"

namespace {

// kvtctl's moves outside a route.
switch_source_t kvtctl_source() {
    return {QStringLiteral("kvtctl"), {}, {}, {}};
}

// A unit's answer to a command it does not take.
const QByteArray refusal = "ERR";

// The unit's identity, field names as in unit_info_t; what the unit said,
// shown as text.
QVector<QPair<QString, QString>> identity_fields(const chosen_unit_t& unit) {
    return {
        {QStringLiteral("unit"), shown_text(unit.name.toUtf8())},
        {QStringLiteral("model"), shown_text(unit.info.model)},
        {QStringLiteral("serial_number"), shown_text(unit.info.serial_number)},
        {QStringLiteral("software_version"), shown_text(unit.info.software_version)},
        {QStringLiteral("product_id"), shown_text(unit.info.product_id)},
    };
}

QJsonObject identity_json(const chosen_unit_t& unit) {
    QJsonObject object;
    for (const auto& field : identity_fields(unit)) {
        object.insert(field.first, field.second);
    }
    return object;
}

// Rows of text in columns as wide as their widest cell.
QByteArrayList column_lines(const QVector<QByteArrayList>& rows) {
    QVector<int> widths;
    for (const QByteArrayList& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (int i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], int(row[i].size()));
        }
    }
    QByteArrayList lines;
    for (const QByteArrayList& row : rows) {
        QByteArray line;
        for (int i = 0; i < row.size(); ++i) {
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2, ' ') : row[i];
        }
        lines.append(line);
    }
    return lines;
}

void print_columns(const QVector<QByteArrayList>& rows) {
    print_lines(column_lines(rows));
}

QJsonValue positions_value(const chosen_unit_t& unit, const switch_positions_t& positions) {
    return QJsonObject{
        {QStringLiteral("unit"), unit.name},
        {QStringLiteral("model"), QString::fromLatin1(unit.model->name)},
        {QStringLiteral("serial_number"), shown_text(unit.info.serial_number)},
        {QStringLiteral("positions"), positions_json(positions)},
    };
}

void put_positions(const invocation_t& call, const switch_positions_t& positions,
                   unit_result_t& out) {
    if (call.json) {
        out.json = positions_value(out.unit, positions);
        return;
    }
    for (const switch_position_t& setting : positions) {
        out.lines.append(QByteArray(1, setting.sw) + '=' + QByteArray::number(setting.position));
    }
}

// Under --json a command that set or saved positions prints what the unit
// then holds, as get does.
cli_status_t put_held(const invocation_t& call, chosen_unit_t& unit, unit_result_t& out) {
    if (!call.json) {
        return {};
    }
    switch_positions_t held;
    const cli_status_t status = read_positions(unit, unit.model->switches, held);
    if (status.ok()) {
        put_positions(call, held, out);
    }
    return status;
}

cli_status_t print_results(const invocation_t& call, const QVector<unit_result_t>& results) {
    if (!call.several()) {
        const unit_result_t& result = results.first();
        if (result.status.ok() && !call.json) {
            print_lines(result.lines);
        } else if (result.status.ok() && !result.json.isNull()) {
            // Not after a save to standard output: its file is the one document.
            print_json(result.json);
        }
        return result.status;
    }
    QJsonArray array;
    QStringList failures;
    bool interrupted = false;
    for (const unit_result_t& result : results) {
        if (!result.status.ok()) {
            failures.append(result.status.error);
            interrupted = interrupted || result.status.code == exit_interrupted;
        } else if (call.json) {
            array.append(result.json);
        } else if (!result.lines.isEmpty()) {
            print_line(result.unit.label().toUtf8() + ':');
            for (const QByteArray& line : result.lines) {
                print_line("  " + line);
            }
        }
    }
    if (call.json) {
        print_json(array);
    }
    if (failures.isEmpty()) {
        return {};
    }
    for (int i = 0; i + 1 < failures.size(); ++i) {
        print_error(failures[i]);
    }
    return {interrupted ? exit_interrupted : exit_unit_failure, failures.last()};
}

cli_status_t run_list(const invocation_t& call) {
    if (!call.units.isEmpty() || call.all) {
        return usage_error(
            QStringLiteral("list shows every unit and takes no --unit or --all (info shows one)"));
    }
    invocation_t every = call;
    every.all = true;
    // Every unit has said who it is before the action; a unit waiting in its
    // bootloader is listed too, for an upgrade to finish it.
    const QVector<unit_result_t> results =
        run_on_units(every, false, [](chosen_unit_t& unit, unit_result_t&) {
            return unit.model != nullptr || unit.in_bootloader
                       ? cli_status_t{}
                       : unit.failure(QStringLiteral("did not identify itself"));
        }).results;
    QJsonArray units;
    QVector<QByteArrayList> rows;
    QStringList failures;
    for (const unit_result_t& result : results) {
        if (!result.status.ok()) {
            failures.append(result.status.error);
            continue;
        }
        const chosen_unit_t& unit = result.unit;
        QJsonObject object = identity_json(unit);
        object.insert(QStringLiteral("state"), unit.in_bootloader ? QStringLiteral("bootloader")
                                                                  : QStringLiteral("application"));
        object.insert(QStringLiteral("name"),
                      unit.unit_name.isEmpty() ? QJsonValue() : QJsonValue(unit.unit_name));
        QByteArrayList row;
        for (const auto& field : identity_fields(unit)) {
            row.append(field.second.toUtf8());
        }
        if (unit.in_bootloader) {
            row = QByteArrayList{row[0], "-", row[2], "-", "-", "bootloader"};
        }
        if (!unit.why_unnamed.isEmpty()) {
            object.insert(QStringLiteral("note"), unit.why_unnamed);
            row.append("(" + unit.why_unnamed.toUtf8() + ")");
        }
        units.append(object);
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
    return run_each(call, true, [&call](chosen_unit_t& unit, unit_result_t& out) {
        if (call.json) {
            out.json = identity_json(unit);
            return cli_status_t{};
        }
        QVector<QByteArrayList> rows;
        for (const auto& field : identity_fields(unit)) {
            rows.append({field.first.toUtf8(), field.second.toUtf8()});
        }
        out.lines = column_lines(rows);
        return cli_status_t{};
    });
}

cli_status_t run_get(const invocation_t& call) {
    QByteArray asked;
    for (const QString& word : call.arguments) {
        if (word.size() != 1 || word.at(0) < QLatin1Char('A') || word.at(0) > QLatin1Char('Z')) {
            return usage_error(QStringLiteral("\"%1\" is not a switch letter").arg(word));
        }
        asked.append(word.at(0).toLatin1());
    }
    return run_each(call, true, [&](chosen_unit_t& unit, unit_result_t& out) {
        const QByteArray switches = asked.isEmpty() ? QByteArray(unit.model->switches) : asked;
        cli_status_t status = unit.named(check_switches(switches, *unit.model));
        switch_positions_t positions;
        if (status.ok()) {
            status = read_positions(unit, switches, positions);
        }
        if (status.ok()) {
            put_positions(call, positions, out);
        }
        return status;
    });
}

cli_status_t run_set(const invocation_t& call) {
    switch_positions_t positions;
    const cli_status_t parsed = parse_assignments(call.arguments, positions);
    if (!parsed.ok()) {
        return parsed;
    }
    return run_each(call, true, [&](chosen_unit_t& unit, unit_result_t& out) {
        cli_status_t status = unit.named(check_for_model(positions, *unit.model));
        if (status.ok()) {
            status = apply_positions(unit, positions, kvtctl_source(), {});
        }
        return status.ok() ? put_held(call, unit, out) : status;
    });
}

// With several units FILE is a folder that holds one file per unit, named
// by the unit's name: a serial number that no other unit states and that
// the name rule lets into a file name, so no file is another unit's and none
// lies outside the folder.
cli_status_t unit_file(const invocation_t& call, const chosen_unit_t& unit, QString& file) {
    const QString& path = call.arguments.at(0);
    if (!call.several()) {
        file = path;
        return {};
    }
    if (unit.unit_name.isEmpty()) {
        return unit.failure(QStringLiteral("has no file in %1: it %2").arg(path, unit.why_unnamed));
    }
    file = QDir(path).filePath(unit.unit_name + QStringLiteral(".json"));
    return {};
}

cli_status_t refuse_stream_for_several(const invocation_t& call) {
    if (call.several() && names_standard_stream(call.arguments.at(0))) {
        return usage_error(
            QStringLiteral("with several units FILE is a folder of their files, not -"));
    }
    return {};
}

cli_status_t run_save(const invocation_t& call) {
    const cli_status_t refused = refuse_stream_for_several(call);
    if (!refused.ok()) {
        return refused;
    }
    return run_each(call, true, [&](chosen_unit_t& unit, unit_result_t& out) {
        position_file_t file;
        cli_status_t status = read_positions(unit, unit.model->switches, file.positions);
        if (!status.ok()) {
            return status;
        }
        file.model = unit.model->name;
        file.serial_number = unit.info.serial_number;
        QString path;
        status = unit_file(call, unit, path);
        if (!status.ok()) {
            return status;
        }
        status = save_position_file(path, file);
        // Saved to standard output, the file is the output.
        if (status.ok() && call.json && !names_standard_stream(path)) {
            put_positions(call, file.positions, out);
        }
        return status;
    });
}

cli_status_t restore_unit(const QString& path, const invocation_t& call, chosen_unit_t& unit,
                          const position_file_t& file, unit_result_t& out) {
    if (model_named(file.model) != unit.model) {
        return unit.named(usage_error(QStringLiteral("%1 holds positions of a %2, not of a %3")
                                          .arg(source_name(path), QString::fromUtf8(file.model),
                                               QString::fromLatin1(unit.model->name))));
    }
    cli_status_t status = unit.named(check_for_model(file.positions, *unit.model));
    if (status.ok()) {
        status = apply_positions(unit, file.positions, kvtctl_source(), {});
    }
    return status.ok() ? put_held(call, unit, out) : status;
}

cli_status_t run_restore(const invocation_t& call) {
    cli_status_t status = refuse_stream_for_several(call);
    position_file_t file;
    // One unit's file is read once, before anything is sent.
    if (status.ok() && !call.several()) {
        status = load_position_file(call.arguments.at(0), file);
    }
    if (!status.ok()) {
        return status;
    }
    return run_each(call, true, [&](chosen_unit_t& unit, unit_result_t& out) {
        position_file_t own = file;
        QString path;
        const cli_status_t named = unit_file(call, unit, path);
        if (!named.ok()) {
            return named;
        }
        if (call.several()) {
            const cli_status_t loaded = load_position_file(path, own);
            if (!loaded.ok()) {
                return unit.named(loaded);
            }
        }
        return restore_unit(path, call, unit, own, out);
    });
}

cli_status_t refuse_empty_text(const invocation_t& call) {
    if (!call.arguments.isEmpty() && call.arguments.first().isEmpty()) {
        return usage_error(QStringLiteral("the command text is empty"));
    }
    return {};
}

// An answer is the unit's text: shown as text, so no control character of
// it reaches a terminal.
void put_answer(const invocation_t& call, const QByteArray& answer, unit_result_t& out) {
    const QString shown = shown_text(answer);
    if (call.json) {
        out.json =
            QJsonObject{{QStringLiteral("unit"), out.unit.name}, {QStringLiteral("answer"), shown}};
    } else {
        out.lines.append(shown.toUtf8());
    }
}

// The raw commands talk to the unit as the console does: no identification
// first, so a unit that does not identify itself can still be asked.
cli_status_t run_query(const invocation_t& call) {
    const cli_status_t refused = refuse_empty_text(call);
    if (!refused.ok()) {
        return refused;
    }
    const QString& text = call.arguments.first();
    return run_each(call, false, [&](chosen_unit_t& unit, unit_result_t& out) {
        QByteArray answer;
        if (!unit.link->query(text.toUtf8(), answer)) {
            return unit.failure(QStringLiteral("no answer to %1").arg(text));
        }
        if (answer == refusal) {
            return unit.failure(QStringLiteral("the unit refused %1: it answered %2")
                                    .arg(text, QString::fromUtf8(refusal)));
        }
        put_answer(call, answer, out);
        return cli_status_t{};
    });
}

// write and read are two runs: one unit each, as named.
cli_status_t run_raw(const invocation_t& call, const unit_action_t& action) {
    if (call.several()) {
        return usage_error(QStringLiteral("write and read take one unit"));
    }
    const cli_status_t refused = refuse_empty_text(call);
    return refused.ok() ? run_each(call, false, action) : refused;
}

cli_status_t run_write(const invocation_t& call) {
    return run_raw(call, [&call](chosen_unit_t& unit, unit_result_t& out) {
        const QString& text = call.arguments.first();
        if (!unit.link->write(text.toUtf8())) {
            return unit.failure(QStringLiteral("%1 could not be sent").arg(text));
        }
        out.json = QJsonObject{{QStringLiteral("unit"), unit.name}};
        return cli_status_t{};
    });
}

cli_status_t run_read(const invocation_t& call) {
    return run_raw(call, [&call](chosen_unit_t& unit, unit_result_t& out) {
        QByteArray answer;
        if (!unit.link->read(answer) || answer.isEmpty()) {
            return unit.failure(QStringLiteral("nothing waiting"));
        }
        put_answer(call, answer, out);
        return cli_status_t{};
    });
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
     "Sends TEXT as it is, with nothing appended, and prints the unit's answer; fails when "
     "the unit answers ERR, refusing TEXT.",
     1, 1, run_query},
    {"write", "TEXT", "send a command", "Sends TEXT as it is, with nothing appended.", 1, 1,
     run_write},
    {"read", "", "print what the unit has sent",
     "Prints the answer the unit has sent, such as the answer to a command sent with write; "
     "fails saying \"nothing waiting\" when no answer waits.",
     0, 0, run_read},
    {"upgrade", "FILE", "send an upgrade image to the unit",
     "Sends the upgrade image FILE to the unit over VISA, as the window's upgrade does, showing "
     "its progress, and prints the unit's software version afterwards. A file the unit would "
     "refuse is refused with the reason, and nothing of it is sent.",
     1, 1, run_upgrade},
    {"route", "list|apply ROUTE...|save ROUTE", "routes: which stand, apply, save",
     "Works with the routes of the routes file (--routes): list prints each route and whether "
     "it stands on the units now; apply sets the routes named, which must not conflict, on "
     "every unit at once, refused before anything is sent when a route they exclude stands, "
     "and puts back every switch it changed when any fails; save writes the positions the "
     "units named with --unit hold now as a route.",
     1, -1, run_route},
    {"history", "", "the switches set and read back, with their sources",
     "Prints every switch the window, kvtctl or kvt-lan set and read back: time (UTC), serial "
     "number, model, switch, from and to positions (? where the start was not read) and "
     "source, oldest first; --unit keeps one unit's, --since the newer ones. With "
     "--prune-before TIME it deletes the older records instead, keeping their moves in wear. "
     "No unit is opened.",
     0, 0, run_history},
    {"wear", "", "how often each switch moved",
     "Prints, per unit and switch, how often the switch moved (from one read position to "
     "another) in the history, pruned records included; --unit keeps one unit's. No unit is "
     "opened.",
     0, 0, run_wear},
};

}  // namespace

cli_status_t run_each(const invocation_t& call, bool identify, const unit_action_t& action) {
    const units_run_t run = run_on_units(call, identify, action);
    return run.refused.ok() ? print_results(call, run.results) : run.refused;
}

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
