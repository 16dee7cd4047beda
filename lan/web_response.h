#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// One answer to a request; the connection closes after it.
struct web_response_t {
    int status = 200;
    QByteArray content_type = "application/json";
    QByteArray body;
};

web_response_t web_json(int status, const QJsonValue& value);
// An RFC 9457 problem: type, title, status and detail.
web_response_t web_problem(int status, const QString& detail);
// The status line, the headers every answer carries, and the body.
QByteArray web_response_bytes(const web_response_t& response);
// The head of an event stream, which stays open.
QByteArray web_event_stream_head();
