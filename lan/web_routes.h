#pragma once

#include <QByteArray>

// What a request asks for, from its method and checked path.
struct web_route_t {
    enum kind_t {
        not_found,
        wrong_method,
        list_units,
        get_unit,
        set_switch,
        events,
        models,
        list_routes,
        // unit names the route.
        apply_route,
        history,
        wear,
        identification,
        // One of the page's files, or nothing.
        asset,
    };
    kind_t kind = not_found;
    QByteArray unit;
    QByteArray sw;
};

web_route_t route_web(const QByteArray& method, const QByteArray& path);
