#include "cli/route_command.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QMutex>
#include <algorithm>

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/switch_positions.h"
#include "cli/unit_choice.h"
#include "driver/route_book.h"
#include "driver/route_moves.h"
#include "driver/switch_model.h"

namespace {

// What a unit held when it was read, by its name.
struct unit_state_t {
    const switch_model_t* model = nullptr;
    switch_positions_t positions;
};
using unit_states_t = QMap<QString, unit_state_t>;

// A run's outcome per unit, filled in from the units' threads.
template <typename T>
struct by_unit_t {
    void put(const QString& name, const T& value) {
        const QMutexLocker locker(&lock);
        map.insert(name, value);
    }
    QMutex lock;
    QMap<QString, T> map;
};

switch_source_t route_source() {
    return {QStringLiteral("kvtctl"), {}, {}, {}};
}

QString routes_path(const invocation_t& call) {
    return call.routes_file.isEmpty() ? default_routes_path() : call.routes_file;
}

// A file that cannot be read fails (1); one that holds no valid routes is the wrong file (2).
cli_status_t load_book(const invocation_t& call, route_book_t& book) {
    QString error;
    const QString path = routes_path(call);
    if (load_routes(path, book, error)) {
        return {};
    }
    return QFileInfo(path).isReadable() ? usage_error(error) : unit_failure(error);
}

// The units the routes name, in the order they first appear.
QStringList units_of(const QVector<const route_t*>& routes) {
    QStringList units;
    for (const route_t* route : routes) {
        for (const route_setting_t& setting : route->settings) {
            if (!units.contains(setting.unit)) {
                units.append(setting.unit);
            }
        }
    }
    return units;
}

// Opens the units named, all at once, and reads every switch of each; the
// units that failed are named in failures.
unit_states_t read_units(const invocation_t& call, const QStringList& names,
                         QStringList& failures) {
    invocation_t each = call;
    each.units = names;
    each.all = false;
    by_unit_t<unit_state_t> states;
    const units_run_t run = run_on_units(each, true, [&](chosen_unit_t& unit, unit_result_t&) {
        unit_state_t state{unit.model, {}};
        const cli_status_t read = read_positions(unit, unit.model->switches, state.positions);
        if (read.ok()) {
            states.put(unit.unit_name, state);
        }
        return read;
    });
    if (!run.refused.ok()) {
        failures.append(run.refused.error);
    }
    for (const unit_result_t& result : run.results) {
        if (!result.status.ok()) {
            failures.append(result.status.error);
        }
    }
    return states.map;
}

route_positions_t positions_of(const unit_states_t& states) {
    route_positions_t positions;
    for (auto state = states.begin(); state != states.end(); ++state) {
        for (const switch_position_t& setting : state->positions) {
            positions[state.key()].insert(setting.sw, setting.position);
        }
    }
    return positions;
}

// Several failures: every one but the last on a line of its own.
cli_status_t failed(QStringList failures, int code = exit_unit_failure) {
    const QString last = failures.takeLast();
    for (const QString& failure : failures) {
        print_error(failure);
    }
    return {code, last};
}

cli_status_t route_list(const invocation_t& call, const route_book_t& book) {
    QVector<const route_t*> all;
    for (const route_t& route : book.routes) {
        all.append(&route);
    }
    QStringList failures;
    const unit_states_t states =
        all.isEmpty() ? unit_states_t() : read_units(call, units_of(all), failures);
    QJsonArray array;
    for (const route_t& route : book.routes) {
        const bool active = route_stands(route, positions_of(states));
        if (call.json) {
            array.append(QJsonObject{{QStringLiteral("name"), route.name},
                                     {QStringLiteral("active"), active}});
        } else {
            print_line((route.name + (active ? QStringLiteral(" active") : QStringLiteral(" -")))
                           .toUtf8());
        }
    }
    if (call.json) {
        print_json(array);
    }
    return failures.isEmpty() ? cli_status_t{} : failed(failures);
}

// The routes named, refused when unknown or when they cannot stand together.
cli_status_t chosen_routes(const route_book_t& book, const QStringList& names,
                           QVector<const route_t*>& routes) {
    for (const QString& name : names) {
        const route_t* route = book.find(name);
        if (route == nullptr) {
            return usage_error(QStringLiteral("no route %1 in the routes file").arg(name));
        }
        if (!routes.contains(route)) {
            routes.append(route);
        }
    }
    const QString conflict = routes_conflict(book, routes);
    return conflict.isEmpty() ? cli_status_t{} : usage_error(conflict);
}

// Every move of the routes on each unit, from the positions read before.
QMap<QString, QVector<route_move_t>> moves_by_unit(const QVector<const route_t*>& routes,
                                                   const unit_states_t& states) {
    QMap<QString, QVector<route_move_t>> moves;
    for (const route_t* route : routes) {
        for (const route_setting_t& setting : route->settings) {
            QVector<route_move_t>& unit = moves[setting.unit];
            // Routes that do not conflict set a switch they share alike: it moves once.
            const bool taken = std::any_of(unit.cbegin(), unit.cend(), [&](const route_move_t& m) {
                return m.sw == setting.sw;
            });
            if (!taken) {
                const int before = position_in(states.value(setting.unit).positions, setting.sw);
                unit.append({setting.sw, setting.position, before, route->name});
            }
        }
    }
    return moves;
}

// Nothing is sent for routes that do not fit their units' models or that an
// excluded route standing now forbids.
cli_status_t refuse_before_sending(const route_book_t& book, const QVector<const route_t*>& routes,
                                   const unit_states_t& states) {
    for (const route_t* route : routes) {
        for (const route_setting_t& setting : route->settings) {
            const QString refused = setting_refusal(setting, *states.value(setting.unit).model);
            if (!refused.isEmpty()) {
                return usage_error(QStringLiteral("route %1: %2").arg(route->name, refused));
            }
        }
        const QString excluded = exclusion_refusal(book, *route, positions_of(states));
        if (!excluded.isEmpty()) {
            return unit_failure(excluded);
        }
    }
    return {};
}

// What one unit reports after an apply that failed.
QString put_back_text(const QStringList& put_back) {
    return put_back.isEmpty() ? QStringLiteral("nothing to put back")
                              : QStringLiteral("put back: ") + put_back.join(QStringLiteral(", "));
}

cli_status_t route_apply(const invocation_t& call, const route_book_t& book) {
    QVector<const route_t*> routes;
    cli_status_t status = chosen_routes(book, call.arguments.mid(1), routes);
    if (!status.ok()) {
        return status;
    }
    // Read first: the units of the routes and of every route they exclude.
    QVector<const route_t*> read = routes;
    for (const route_t* route : routes) {
        for (const QString& other : book.excluded_by(route->name)) {
            read.append(book.find(other));
        }
    }
    QStringList failures;
    const unit_states_t states = read_units(call, units_of(read), failures);
    if (!failures.isEmpty()) {
        failures.append(QStringLiteral("nothing was switched"));
        return failed(failures);
    }
    status = refuse_before_sending(book, routes, states);
    if (!status.ok()) {
        return status;
    }
    const QMap<QString, QVector<route_move_t>> moves = moves_by_unit(routes, states);
    invocation_t each = call;
    each.units = moves.keys();
    by_unit_t<route_moves_outcome_t> outcomes;
    const units_run_t run = run_on_units(each, true, [&](chosen_unit_t& unit, unit_result_t&) {
        const route_moves_outcome_t outcome =
            apply_route_moves(*unit.model, *unit.unit, moves.value(unit.unit_name), route_source());
        outcomes.put(unit.unit_name, outcome);
        return outcome.failure.isEmpty() ? cli_status_t{}
                                         : unit.failure(outcome.failure + QStringLiteral("; ") +
                                                        put_back_text(outcome.put_back));
    });
    failures.clear();
    for (const unit_result_t& result : run.results) {
        if (!result.status.ok()) {
            failures.append(result.status.error);
        }
    }
    if (!run.refused.ok()) {
        failures.append(run.refused.error);
    }
    if (failures.isEmpty()) {
        if (call.json) {
            QJsonArray array;
            for (const route_t* route : routes) {
                array.append(QJsonObject{{QStringLiteral("name"), route->name},
                                         {QStringLiteral("active"), true}});
            }
            print_json(array);
        }
        return {};
    }
    // A route stands whole or not at all: the units that took their part put it back.
    invocation_t undo = call;
    undo.units.clear();
    for (auto it = outcomes.map.begin(); it != outcomes.map.end(); ++it) {
        if (!it->changed.isEmpty()) {
            undo.units.append(it.key());
        }
    }
    if (!undo.units.isEmpty()) {
        const units_run_t undone =
            run_on_units(undo, true, [&](chosen_unit_t& unit, unit_result_t&) {
                const QStringList put_back =
                    put_back_moves(*unit.model, *unit.unit,
                                   outcomes.map.value(unit.unit_name).changed, route_source());
                return unit.failure(QStringLiteral("held its part; ") + put_back_text(put_back));
            });
        for (const unit_result_t& result : undone.results) {
            failures.append(result.status.error);
        }
    }
    return failed(failures);
}

cli_status_t route_save(const invocation_t& call, route_book_t& book) {
    if (call.arguments.size() != 2 || call.units.isEmpty() || call.all) {
        return usage_error(QStringLiteral("usage: kvtctl --unit NAME... route save ROUTE"));
    }
    const QString name = call.arguments.at(1);
    const QString refused = route_name_refusal(name);
    if (!refused.isEmpty()) {
        return usage_error(QStringLiteral("\"%1\" %2").arg(name, refused));
    }
    QStringList failures;
    const unit_states_t states = read_units(call, call.units, failures);
    if (!failures.isEmpty()) {
        return failed(failures);
    }
    route_t route{name, {}};
    for (auto it = states.begin(); it != states.end(); ++it) {
        for (const switch_position_t& held : it->positions) {
            route.settings.append({it.key(), held.sw, held.position});
        }
    }
    const route_t* old = book.find(name);
    if (old != nullptr) {
        book.routes[int(old - book.routes.constData())] = route;
    } else {
        book.routes.append(route);
    }
    QString error;
    return save_routes(routes_path(call), book, error) ? cli_status_t{} : unit_failure(error);
}

}  // namespace

cli_status_t run_route(const invocation_t& call) {
    const QString action = call.arguments.at(0);
    const QString path = routes_path(call);
    route_book_t book;
    // A first save makes the file.
    const bool make = action == QLatin1String("save") && !QFileInfo::exists(path);
    const cli_status_t loaded = make ? cli_status_t{} : load_book(call, book);
    if (!loaded.ok()) {
        return loaded;
    }
    if (action == QLatin1String("list") && call.arguments.size() == 1) {
        return route_list(call, book);
    }
    if (action == QLatin1String("apply") && call.arguments.size() > 1) {
        return route_apply(call, book);
    }
    if (action == QLatin1String("save")) {
        return route_save(call, book);
    }
    return usage_error(QStringLiteral("route takes list, apply ROUTE... or save ROUTE, not \"%1\"")
                           .arg(call.arguments.join(QLatin1Char(' '))));
}
