#include "lan/web_routes.h"

#include <QList>

web_route_t route_web(const QByteArray& method, const QByteArray& path) {
    const QList<QByteArray> parts = path.mid(1).split('/');
    web_route_t route;
    QByteArray wanted = "GET";
    if (path == "/lxi/identification") {
        route.kind = web_route_t::identification;
    } else if (parts.size() == 2 && parts[0] == "api" && parts[1] == "models") {
        route.kind = web_route_t::models;
    } else if (parts.size() == 2 && parts[0] == "api" && parts[1] == "routes") {
        route.kind = web_route_t::list_routes;
    } else if (parts.size() == 4 && parts[0] == "api" && parts[1] == "routes" &&
               !parts[2].isEmpty() && parts[3] == "apply") {
        route.kind = web_route_t::apply_route;
        route.unit = parts[2];
        wanted = "POST";
    } else if (parts.size() == 2 && parts[0] == "api" && parts[1] == "history") {
        route.kind = web_route_t::history;
    } else if (parts.size() == 2 && parts[0] == "api" && parts[1] == "wear") {
        route.kind = web_route_t::wear;
    } else if (parts[0] != "api" && parts[0] != "lxi") {
        route.kind = web_route_t::asset;
    } else if (parts.size() == 2 && parts[0] == "api" && parts[1] == "units") {
        route.kind = web_route_t::list_units;
    } else if (parts.size() == 2 && parts[0] == "api" && parts[1] == "events") {
        route.kind = web_route_t::events;
    } else if (parts.size() == 3 && parts[0] == "api" && parts[1] == "units" &&
               !parts[2].isEmpty()) {
        route.kind = web_route_t::get_unit;
        route.unit = parts[2];
    } else if (parts.size() == 5 && parts[0] == "api" && parts[1] == "units" &&
               !parts[2].isEmpty() && parts[3] == "switches" && !parts[4].isEmpty()) {
        route.kind = web_route_t::set_switch;
        route.unit = parts[2];
        route.sw = parts[4];
        wanted = "PUT";
    } else {
        return route;
    }
    if (method != wanted) {
        route.kind = web_route_t::wrong_method;
    }
    return route;
}
