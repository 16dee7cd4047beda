#include "lan/web_request.h"

namespace {

web_parse_t refuse(int status, const QString& detail) {
    return {web_parse_t::failed, status, detail};
}

bool is_token_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

// name=value pairs joined by '&', each of token characters, ':' and '+'
// only (an ISO 8601 time among them); nothing is decoded.
bool checked_query(const QByteArray& text, QList<QPair<QByteArray, QByteArray>>& query) {
    for (const QByteArray& pair : text.split('&')) {
        const int equals = pair.indexOf('=');
        const QByteArray name = pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        if (equals <= 0) {
            return false;
        }
        for (char c : name + value) {
            if (!is_token_char(c) && c != ':' && c != '+') {
                return false;
            }
        }
        query.append({name, value});
    }
    return true;
}

// Only names the API serves pass: anything that a file system or a decoder
// could read another way is refused, not normalised.
bool checked_path(const QByteArray& target, QByteArray& path,
                  QList<QPair<QByteArray, QByteArray>>& query) {
    const int mark = target.indexOf('?');
    const QByteArray bare = mark < 0 ? target : target.left(mark);
    if (mark >= 0 && !checked_query(target.mid(mark + 1), query)) {
        return false;
    }
    if (!bare.startsWith('/')) {
        return false;
    }
    for (const QByteArray& segment : bare.mid(1).split('/')) {
        if (segment == "." || segment == "..") {
            return false;
        }
        for (char c : segment) {
            if (!is_token_char(c)) {
                return false;
            }
        }
    }
    path = bare;
    return true;
}

bool is_digits(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

QByteArray web_request_t::query_value(const QByteArray& name) const {
    for (const auto& pair : query) {
        if (pair.first == name) {
            return pair.second;
        }
    }
    return {};
}

QByteArray web_request_t::header(const QByteArray& lower_name) const {
    for (const auto& field : headers) {
        if (field.first == lower_name) {
            return field.second;
        }
    }
    return {};
}

web_parse_t parse_web_request(const QByteArray& received, web_request_t& out) {
    const int head_end = received.indexOf("\r\n\r\n");
    if (head_end < 0 || head_end + 4 > web_max_head) {
        if (received.size() >= web_max_head || (head_end >= 0)) {
            return refuse(431, QStringLiteral("request line and headers exceed 8192 bytes"));
        }
        return {};
    }
    const QList<QByteArray> lines = received.left(head_end).split('\n');
    const QList<QByteArray> words = lines.first().trimmed().split(' ');
    if (words.size() != 3 || !words[2].startsWith("HTTP/1.")) {
        return refuse(400, QStringLiteral("malformed request line"));
    }
    web_request_t request;
    request.method = words[0];
    if (!checked_path(words[1], request.path, request.query)) {
        return refuse(400, QStringLiteral("malformed path"));
    }
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const int colon = line.indexOf(':');
        if (colon <= 0 || line.contains('\r')) {
            return refuse(400, QStringLiteral("malformed header"));
        }
        const QByteArray name = line.left(colon).toLower();
        for (char c : name) {
            if (!is_token_char(c)) {
                return refuse(400, QStringLiteral("malformed header name"));
            }
        }
        request.headers.append({name, line.mid(colon + 1).trimmed()});
    }
    // Chunked bodies are not taken: one length, stated once, tells where a
    // request ends.
    if (!request.header("transfer-encoding").isEmpty()) {
        return refuse(501, QStringLiteral("transfer-encoding is not supported"));
    }
    int lengths = 0;
    for (const auto& field : request.headers) {
        lengths += field.first == "content-length" ? 1 : 0;
    }
    const QByteArray length_text = request.header("content-length");
    if (lengths > 1 || (lengths == 1 && !is_digits(length_text))) {
        return refuse(400, QStringLiteral("malformed content-length"));
    }
    const int length = lengths == 1 ? length_text.toInt() : 0;
    if (length > web_max_body) {
        return refuse(413, QStringLiteral("request body exceeds 4096 bytes"));
    }
    if (received.size() - (head_end + 4) < length) {
        return {};
    }
    request.body = received.mid(head_end + 4, length);
    out = request;
    return {web_parse_t::complete, 0, {}};
}
