#include "lan/web_api.h"

#include "lan/web_connection.h"
#include "lan/web_request.h"
#include "lan/web_routes.h"

void web_api_t::handle(web_connection_t& connection, const web_request_t& request) {
    const web_route_t route = route_web(request.method, request.path);
    if (route.kind == web_route_t::wrong_method) {
        connection.respond(web_problem(405, QStringLiteral("method not allowed here")));
        return;
    }
    connection.respond(web_problem(404, QStringLiteral("nothing is served here")));
}
