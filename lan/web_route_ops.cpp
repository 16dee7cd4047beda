#include "lan/web_route_ops.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QMap>
#include <future>
#include <vector>

#include "driver/route_book.h"
#include "driver/switch_model.h"
#include "lan/web_unit_calls.h"

namespace {

// What a unit's state and model are known to be.
struct unit_read_t {
    QByteArray serial;
    const switch_model_t* model = nullptr;
};

// Reads every switch of each unit named, one job each at once; a unit that
// is not served or did not answer is left out.
route_positions_t read_units(web_unit_calls_t& calls, const QStringList& names,
                             QMap<QString, unit_read_t>& read) {
    std::vector<std::future<web_outcome_t>> asked;
    for (const QString& name : names) {
        asked.push_back(std::async(std::launch::async, [&calls, name] {
            return describe_unit(calls, name.toUtf8(), QString(), true);
        }));
    }
    route_positions_t positions;
    for (int i = 0; i < names.size(); ++i) {
        const web_outcome_t outcome = asked[size_t(i)].get();
        const QJsonObject switches = outcome.object.value(QStringLiteral("positions")).toObject();
        if (outcome.status != 200 || switches.isEmpty()) {
            continue;
        }
        QMap<char, int>& unit = positions[names[i]];
        for (auto sw = switches.begin(); sw != switches.end(); ++sw) {
            unit.insert(sw.key().at(0).toLatin1(), sw.value().toInt());
        }
        read[names[i]] = {
            outcome.object.value(QStringLiteral("serial_number")).toString().toUtf8(),
            model_named(outcome.object.value(QStringLiteral("model")).toString().toUtf8())};
    }
    return positions;
}

QStringList units_of(const route_t& route) {
    QStringList units;
    for (const route_setting_t& setting : route.settings) {
        if (!units.contains(setting.unit)) {
            units.append(setting.unit);
        }
    }
    return units;
}

web_outcome_t problem(int status, const QString& detail) {
    web_outcome_t out;
    out.status = status;
    out.detail = detail;
    return out;
}

// A lab without a routes file has no routes.
bool load_book(const QString& path, route_book_t& book, web_outcome_t& refused) {
    QString error;
    if (!QFileInfo::exists(path) || load_routes(path, book, error)) {
        return true;
    }
    refused = problem(503, error);
    return false;
}

}  // namespace

web_response_t list_routes(web_unit_calls_t& calls, const QString& routes_path) {
    route_book_t book;
    web_outcome_t refused;
    if (!load_book(routes_path, book, refused)) {
        return web_problem(refused.status, refused.detail);
    }
    QStringList names;
    for (const route_t& route : book.routes) {
        for (const QString& unit : units_of(route)) {
            if (!names.contains(unit)) {
                names.append(unit);
            }
        }
    }
    QMap<QString, unit_read_t> read;
    const route_positions_t positions = read_units(calls, names, read);
    QJsonArray routes;
    for (const route_t& route : book.routes) {
        routes.append(QJsonObject{{QStringLiteral("name"), route.name},
                                  {QStringLiteral("active"), route_stands(route, positions)}});
    }
    return web_json(200, routes);
}

web_outcome_t apply_route(web_unit_calls_t& calls, const QString& routes_path, const QString& name,
                          const QString& client) {
    route_book_t book;
    web_outcome_t out;
    if (!load_book(routes_path, book, out)) {
        return out;
    }
    const route_t* route = book.find(name);
    if (route == nullptr) {
        return problem(404, QStringLiteral("there is no route %1").arg(name));
    }
    const QStringList units = units_of(*route);
    QStringList asked = units;
    for (const QString& other : book.excluded_by(name)) {
        if (const route_t* excluding = book.find(other)) {
            asked += units_of(*excluding);
        }
    }
    asked.removeDuplicates();
    QMap<QString, unit_read_t> read;
    const route_positions_t positions = read_units(calls, asked, read);
    // Refusals first: nothing is sent when any holds.
    QMap<QString, QVector<route_move_t>> moves;
    for (const route_setting_t& setting : route->settings) {
        const unit_read_t unit = read.value(setting.unit);
        if (unit.model == nullptr) {
            return problem(504, QStringLiteral("route %1: unit %2 is not served or did not answer")
                                    .arg(name, setting.unit));
        }
        const QString refused = setting_refusal(setting, *unit.model);
        if (!refused.isEmpty()) {
            return problem(422, QStringLiteral("route %1: %2").arg(name, refused));
        }
        moves[setting.unit].append(
            {setting.sw, setting.position, positions[setting.unit].value(setting.sw, -1), name});
    }
    const QString excluded = exclusion_refusal(book, *route, positions);
    if (!excluded.isEmpty()) {
        return problem(409, excluded);
    }
    // Every unit's part at once.
    auto run_parts = [&](const QMap<QString, QVector<route_move_t>>& parts, bool back) {
        std::vector<std::pair<QString, std::future<lan_route_result_t>>> running;
        for (auto part = parts.begin(); part != parts.end(); ++part) {
            const QString unit = part.key();
            const QVector<route_move_t> unit_moves = part.value();
            const QByteArray serial = read.value(unit).serial;
            running.emplace_back(unit, std::async(std::launch::async, [&calls, unit, serial,
                                                                       unit_moves, back, client] {
                                     lan_route_result_t result;
                                     if (!calls.route_part(unit.toUtf8(), serial, unit_moves, back,
                                                           client, result)) {
                                         result.error = lan_io_timeout;
                                     }
                                     return result;
                                 }));
        }
        QMap<QString, lan_route_result_t> results;
        for (auto& one : running) {
            results.insert(one.first, one.second.get());
        }
        return results;
    };
    const QMap<QString, lan_route_result_t> results = run_parts(moves, false);
    QJsonObject report;
    QMap<QString, QVector<route_move_t>> undo;
    bool failed = false;
    bool silent = false;
    for (auto result = results.begin(); result != results.end(); ++result) {
        const lan_route_result_t& part = result.value();
        QString failure = part.refusal.isEmpty() ? part.outcome.failure : part.refusal;
        if (part.error != lan_ok) {
            failure = QStringLiteral("did not answer");
            silent = true;
        }
        if (failure.isEmpty()) {
            QJsonObject set;
            for (const route_move_t& move : moves.value(result.key())) {
                set.insert(QString(QLatin1Char(move.sw)), move.position);
            }
            report.insert(result.key(), set);
            if (!part.outcome.changed.isEmpty()) {
                undo.insert(result.key(), part.outcome.changed);
            }
            continue;
        }
        failed = true;
        report.insert(result.key(),
                      QJsonObject{{QStringLiteral("failure"), failure},
                                  {QStringLiteral("put_back"),
                                   QJsonArray::fromStringList(part.outcome.put_back)}});
    }
    if (!failed) {
        out.object = {{QStringLiteral("route"), name}, {QStringLiteral("units"), report}};
        return out;
    }
    // A route stands whole or not at all.
    const QMap<QString, lan_route_result_t> undone = run_parts(undo, true);
    for (auto result = undone.begin(); result != undone.end(); ++result) {
        report.insert(result.key(),
                      QJsonObject{{QStringLiteral("failure"), QStringLiteral("held its part")},
                                  {QStringLiteral("put_back"),
                                   QJsonArray::fromStringList(result.value().outcome.put_back)}});
    }
    out = problem(silent ? 504 : 409,
                  QStringLiteral("route %1 did not stand: what it moved was put back").arg(name));
    out.object = {{QStringLiteral("route"), name}, {QStringLiteral("units"), report}};
    return out;
}
