#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>

#include "lan/web_response.h"
#include "lan/web_unit_calls.h"

class lan_units_t;
class web_connection_t;
class web_events_t;
struct web_request_t;

// Answers the requests of the web face. Whatever needs a unit runs on a job
// thread of its own pool, through the unit's worker; answers come back here.
class web_api_t : public QObject {
public:
    // An empty token leaves the face read-only.
    web_api_t(lan_units_t& units, web_events_t& events, const QByteArray& token,
              const QString& routes_path);
    // Waits for the jobs under way; each wait of theirs is bounded.
    ~web_api_t() override;

    void handle(web_connection_t& connection, const web_request_t& request);

private:
    // Runs job on the pool and answers with what it gives.
    void answer_later(web_connection_t& connection, std::function<web_response_t()> job);
    void list_units(web_connection_t& connection);
    void get_unit(web_connection_t& connection, const QByteArray& name);
    void set_switch(web_connection_t& connection, const web_request_t& request,
                    const QByteArray& name, const QByteArray& sw);
    // False, with the refusal answered, when the request may not write.
    bool may_write(web_connection_t& connection, const web_request_t& request);
    void list_routes(web_connection_t& connection);
    void apply_route(web_connection_t& connection, const web_request_t& request,
                     const QByteArray& name);
    void history(web_connection_t& connection, const web_request_t& request);
    void wear(web_connection_t& connection, const web_request_t& request);
    void open_stream(web_connection_t& connection);

    lan_units_t& units;
    web_events_t& events;
    const QByteArray token;
    const QString routes_path;
    std::atomic<bool> stopping{false};
    web_unit_calls_t calls;
    QThreadPool jobs;
};
