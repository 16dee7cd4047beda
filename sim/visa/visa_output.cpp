#include "sim/visa/visa_output.h"

#include <algorithm>

void visa_output_t::push(const answer_t& answer, clock::time_point now) {
    clock::time_point at = chunks.empty() ? now : std::max(now, chunks.back().arrival);
    for (const answer_piece_t& piece : answer) {
        at += std::chrono::milliseconds(piece.delay_ms);
        chunks.push_back({at, piece.bytes, false});
    }
    if (!answer.isEmpty()) {
        chunks.back().ends_message = true;
    }
}

void visa_output_t::clear() {
    chunks.clear();
}

visa_output_t::step_t visa_output_t::take(QByteArray& read, qint64 max, int termchar,
                                          clock::time_point now) {
    for (;;) {
        // A full read reports the maximum count even when the message ends there.
        if (read.size() >= max) {
            return {true, VI_SUCCESS_MAX_CNT, {}};
        }
        if (chunks.empty() || chunks.front().arrival > now) {
            return {false, VI_SUCCESS,
                    chunks.empty() ? clock::time_point::max() : chunks.front().arrival};
        }
        chunk_t& chunk = chunks.front();
        int count = int(std::min<qint64>(max - read.size(), chunk.bytes.size()));
        const int term_at = termchar < 0 ? -1 : chunk.bytes.left(count).indexOf(char(termchar));
        if (term_at >= 0) {
            count = term_at + 1;
        }
        read.append(chunk.bytes.left(count));
        chunk.bytes.remove(0, count);
        const bool message_end = chunk.bytes.isEmpty() && chunk.ends_message;
        if (chunk.bytes.isEmpty()) {
            chunks.pop_front();
        }
        if (read.size() >= max) {
            continue;
        }
        if (message_end) {
            return {true, VI_SUCCESS, {}};
        }
        if (term_at >= 0) {
            return {true, VI_SUCCESS_TERM_CHAR, {}};
        }
    }
}
