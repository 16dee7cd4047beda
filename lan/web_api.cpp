#include "lan/web_api.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <cmath>

#include "driver/history_json.h"
#include "driver/switch_model.h"
#include "lan/lan_units.h"
#include "lan/lxi_identification.h"
#include "lan/web_connection.h"
#include "lan/web_events.h"
#include "lan/web_page.h"
#include "lan/web_request.h"
#include "lan/web_route_ops.h"
#include "lan/web_routes.h"
#include "lan/web_token.h"
#include "lan/web_unit_ops.h"

namespace {

// Jobs that wait for units at once; more wait their turn.
constexpr int max_jobs = 8;
// The history a request without since gets, and the most records any gets:
// the newest of those asked for.
constexpr qint64 default_history_ms = 24 * 3600 * 1000;
constexpr int most_history_records = 5000;

web_response_t outcome_response(const web_outcome_t& outcome) {
    if (outcome.status == 200) {
        return web_json(200, outcome.object);
    }
    web_response_t problem = web_problem(outcome.status, outcome.detail);
    if (!outcome.object.isEmpty()) {
        // What is known (where a switch stands, what each unit of a route
        // did), as members of the problem beside its own.
        QJsonObject body = QJsonDocument::fromJson(problem.body).object();
        for (auto field = outcome.object.begin(); field != outcome.object.end(); ++field) {
            if (!body.contains(field.key())) {
                body.insert(field.key(), field.value());
            }
        }
        problem.body = QJsonDocument(body).toJson(QJsonDocument::Compact) + '\n';
    }
    return problem;
}

// The models a unit may be, as the page draws them.
QJsonObject models_json() {
    QJsonObject all;
    for (const switch_model_t* model : {&two_port_model, &six_port_model}) {
        const QString name = QString::fromLatin1(model->name);
        all.insert(name,
                   QJsonObject{
                       {QStringLiteral("switches"), QString::fromLatin1(model->switches)},
                       {QStringLiteral("first_position"), model->first_position},
                       {QStringLiteral("last_position"), model->last_position},
                       {QStringLiteral("picture"), QStringLiteral("/panels/%1.png").arg(name)},
                   });
    }
    return all;
}

QString unknown_text(const QByteArray& name) {
    return QStringLiteral("no unit is served as %1").arg(QString::fromLatin1(name));
}

// The position asked for, or the status that refuses the body.
int position_of(const QByteArray& body, int& position, QString& detail) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        detail = QStringLiteral("the body must be a JSON object such as {\"position\": 2}");
        return 400;
    }
    const QJsonValue value = document.object().value(QStringLiteral("position"));
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number != std::floor(number) || number < 0 || number > 1000) {
        detail = QStringLiteral("position must be a whole number the model has");
        return 422;
    }
    position = int(number);
    return 200;
}

}  // namespace

web_api_t::web_api_t(lan_units_t& units, web_events_t& events, const QByteArray& token,
                     const QString& routes_path)
    : units(units), events(events), token(token), routes_path(routes_path), calls(units, stopping) {
    jobs.setMaxThreadCount(max_jobs);
}

web_api_t::~web_api_t() {
    stopping = true;
    jobs.clear();
    jobs.waitForDone();
}

void web_api_t::handle(web_connection_t& connection, const web_request_t& request) {
    const web_route_t route = route_web(request.method, request.path);
    switch (route.kind) {
        case web_route_t::not_found:
            connection.respond(web_problem(404, QStringLiteral("nothing is served here")));
            return;
        case web_route_t::wrong_method:
            connection.respond(web_problem(405, QStringLiteral("method not allowed here")));
            return;
        case web_route_t::list_units:
            list_units(connection);
            return;
        case web_route_t::get_unit:
            get_unit(connection, route.unit);
            return;
        case web_route_t::set_switch:
            set_switch(connection, request, route.unit, route.sw);
            return;
        case web_route_t::events:
            open_stream(connection);
            return;
        case web_route_t::models:
            connection.respond(web_json(200, models_json()));
            return;
        case web_route_t::list_routes:
            list_routes(connection);
            return;
        case web_route_t::apply_route:
            apply_route(connection, request, route.unit);
            return;
        case web_route_t::history:
            history(connection, request);
            return;
        case web_route_t::wear:
            wear(connection, request);
            return;
        case web_route_t::identification:
            connection.respond(
                {200, "application/xml; charset=utf-8",
                 lxi_identification({connection.local(), connection.local_port(), units.names()})});
            return;
        case web_route_t::asset: {
            web_response_t asset;
            connection.respond(web_asset(request.path, asset)
                                   ? asset
                                   : web_problem(404, QStringLiteral("nothing is served here")));
            return;
        }
    }
}

void web_api_t::answer_later(web_connection_t& connection, std::function<web_response_t()> job) {
    QPointer<web_connection_t> to(&connection);
    jobs.start([this, to, job = std::move(job)] {
        const web_response_t response = job();
        QMetaObject::invokeMethod(
            this,
            [to, response] {
                if (to) {
                    to->respond(response);
                }
            },
            Qt::QueuedConnection);
    });
}

void web_api_t::list_units(web_connection_t& connection) {
    const QList<QByteArray> names = units.names();
    const QHostAddress host = connection.local();
    answer_later(connection, [this, names, host] {
        QJsonArray all;
        for (const QByteArray& name : names) {
            all.append(describe_unit(calls, name, lxi_resource(host, name), false).object);
        }
        return web_json(200, all);
    });
}

void web_api_t::get_unit(web_connection_t& connection, const QByteArray& name) {
    QPointer<web_connection_t> to(&connection);
    const QHostAddress host = connection.local();
    units.find(name, [this, to, name, host](bool found) {
        if (!to) {
            return;
        }
        if (!found) {
            to->respond(web_problem(404, unknown_text(name)));
            return;
        }
        answer_later(*to, [this, name, host] {
            return outcome_response(describe_unit(calls, name, lxi_resource(host, name), true));
        });
    });
}

bool web_api_t::may_write(web_connection_t& connection, const web_request_t& request) {
    if (token.isEmpty()) {
        connection.respond(web_problem(
            403, QStringLiteral("the web face is read-only: kvt-lan was started without "
                                "--token-file")));
        return false;
    }
    if (!web_token_matches(token, request.header("authorization"))) {
        connection.respond(
            web_problem(401, QStringLiteral("a write needs Authorization: Bearer <token>")));
        return false;
    }
    return true;
}

void web_api_t::list_routes(web_connection_t& connection) {
    answer_later(connection, [this] { return ::list_routes(calls, routes_path); });
}

void web_api_t::apply_route(web_connection_t& connection, const web_request_t& request,
                            const QByteArray& name) {
    if (!may_write(connection, request)) {
        return;
    }
    const QString client = connection.peer().toString();
    const QString route = QString::fromLatin1(name);
    answer_later(connection, [this, route, client] {
        const web_outcome_t outcome = ::apply_route(calls, routes_path, route, client);
        if (outcome.status == 200) {
            QMetaObject::invokeMethod(
                this,
                [this, route] {
                    events.publish("route", {{QStringLiteral("route"), route},
                                             {QStringLiteral("state"), QStringLiteral("applied")}});
                },
                Qt::QueuedConnection);
        }
        return outcome_response(outcome);
    });
}

void web_api_t::set_switch(web_connection_t& connection, const web_request_t& request,
                           const QByteArray& name, const QByteArray& sw) {
    if (!may_write(connection, request)) {
        return;
    }
    int position = 0;
    QString detail;
    const int status = position_of(request.body, position, detail);
    if (status != 200) {
        connection.respond(web_problem(status, detail));
        return;
    }
    QPointer<web_connection_t> to(&connection);
    const QString client = connection.peer().toString();
    units.find(name, [this, to, name, sw, position, client](bool found) {
        if (!to) {
            return;
        }
        if (!found) {
            to->respond(web_problem(404, unknown_text(name)));
            return;
        }
        answer_later(*to, [this, name, sw, position, client] {
            return outcome_response(move_unit_switch(calls, name, sw, position, client));
        });
    });
}

void web_api_t::history(web_connection_t& connection, const web_request_t& request) {
    const QByteArray since = request.query_value("since");
    qint64 since_ms = QDateTime::currentMSecsSinceEpoch() - default_history_ms;
    if (!since.isEmpty() && !parse_history_time(QString::fromLatin1(since), since_ms)) {
        connection.respond(web_problem(
            400, QStringLiteral("since takes an ISO 8601 time such as 2026-12-08T13:00:00Z")));
        return;
    }
    const QByteArray unit = request.query_value("unit");
    answer_later(connection, [unit, since_ms] {
        QVector<switch_record_t> records;
        const history_status_t read = read_history(unit, since_ms, most_history_records, records);
        if (!read.ok()) {
            return web_problem(503, QStringLiteral("switching history %1").arg(read.error));
        }
        QJsonArray all;
        for (const switch_record_t& record : records) {
            all.append(switch_record_json(record));
        }
        return web_json(200, all);
    });
}

void web_api_t::wear(web_connection_t& connection, const web_request_t& request) {
    const QByteArray unit = request.query_value("unit");
    answer_later(connection, [unit] {
        QVector<switch_wear_t> wear;
        const history_status_t read = read_wear(unit, wear);
        if (!read.ok()) {
            return web_problem(503, QStringLiteral("switching history %1").arg(read.error));
        }
        QJsonArray all;
        for (const switch_wear_t& one : wear) {
            all.append(switch_wear_json(one));
        }
        return web_json(200, all);
    });
}

void web_api_t::open_stream(web_connection_t& connection) {
    if (!events.add(connection)) {
        connection.respond(
            web_problem(503, QStringLiteral("this host holds as many event streams as it may")));
        return;
    }
    connection.start_stream();
}
