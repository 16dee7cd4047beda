#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// What the web face takes from a client at most: the request line with its
// headers, and a body. Larger requests are refused unread.
constexpr int web_max_head = 8192;
constexpr int web_max_body = 4096;

struct web_request_t {
    QByteArray method;
    // The path, checked: segments of letters, digits, '-', '_' and '.' only,
    // never "." or "..", no percent escapes.
    QByteArray path;
    // The query's name=value pairs, of those characters, ':' and '+' only.
    QList<QPair<QByteArray, QByteArray>> query;
    // Names lower-cased.
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& lower_name) const;
    QByteArray query_value(const QByteArray& name) const;
};

// Incomplete: more bytes are needed. Failed: status and detail say why.
struct web_parse_t {
    enum state_t { incomplete, complete, failed };
    state_t state = incomplete;
    int status = 0;
    QString detail;
};

// Reads one request from the bytes received so far.
web_parse_t parse_web_request(const QByteArray& received, web_request_t& out);
