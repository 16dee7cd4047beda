#pragma once

#include <QObject>

class web_connection_t;
struct web_request_t;

// Answers the requests of the web face.
class web_api_t : public QObject {
public:
    void handle(web_connection_t& connection, const web_request_t& request);
};
