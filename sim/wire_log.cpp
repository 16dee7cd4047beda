#include "sim/wire_log.h"

#include <cstdio>

namespace {

constexpr int shown_bytes = 48;

void log_line(const QByteArray& line) {
    // One call per line keeps lines of several units whole.
    std::fprintf(stderr, "%s\n", line.constData());
}

}  // namespace

QByteArray wire_text(const QByteArray& bytes) {
    QByteArray text;
    for (char c : bytes.left(shown_bytes)) {
        const uchar u = uchar(c);
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\\') {
            text += "\\\\";
        } else if (u < 0x20 || u >= 0x7f) {
            text += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        } else {
            text += c;
        }
    }
    if (bytes.size() > shown_bytes) {
        text += "... (" + QByteArray::number(bytes.size()) + " bytes)";
    }
    return text;
}

unit_handler_t logged_handler(const QByteArray& tag, unit_handler_t handler) {
    return [tag, handler](const QByteArray& command) {
        log_line(tag + " <- " + wire_text(command));
        const answer_t answer = handler(command);
        if (answer.isEmpty()) {
            log_line(tag + " -> (no answer)");
        }
        for (const answer_piece_t& piece : answer) {
            log_line(tag + " -> +" + QByteArray::number(piece.delay_ms) + " ms " +
                     wire_text(piece.bytes));
        }
        return answer;
    };
}
