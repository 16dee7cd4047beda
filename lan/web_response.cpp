#include "lan/web_response.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 409:
            return "Conflict";
        case 413:
            return "Content Too Large";
        case 415:
            return "Unsupported Media Type";
        case 422:
            return "Unprocessable Content";
        case 431:
            return "Request Header Fields Too Large";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "Error";
    }
}

// No page may frame, script or sniff what is served.
const QByteArray common_headers =
    "Content-Security-Policy: default-src 'self'\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Cache-Control: no-store\r\n";

}  // namespace

web_response_t web_json(int status, const QJsonValue& value) {
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return {status, "application/json", document.toJson(QJsonDocument::Compact) + '\n'};
}

web_response_t web_problem(int status, const QString& detail) {
    const QJsonObject problem{{QStringLiteral("type"), QStringLiteral("about:blank")},
                              {QStringLiteral("title"), QString::fromLatin1(reason(status))},
                              {QStringLiteral("status"), status},
                              {QStringLiteral("detail"), detail}};
    web_response_t response = web_json(status, problem);
    response.content_type = "application/problem+json";
    return response;
}

QByteArray web_response_bytes(const web_response_t& response) {
    QByteArray bytes =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    bytes += common_headers;
    if (response.status == 401) {
        bytes += "WWW-Authenticate: Bearer\r\n";
    }
    bytes += "Content-Type: " + response.content_type + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    return bytes + response.body;
}

QByteArray web_event_stream_head() {
    return "HTTP/1.1 200 OK\r\n" + common_headers +
           "Content-Type: text/event-stream\r\nConnection: close\r\n\r\n";
}
