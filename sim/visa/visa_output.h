#pragma once

#include <QByteArray>
#include <chrono>
#include <deque>

#include "driver/visa_types.h"
#include "sim/answer_piece.h"

// What an instrument has sent or is about to send: each answer is one message
// whose pieces arrive at their own time.
class visa_output_t {
public:
    using clock = std::chrono::steady_clock;

    // Queued behind whatever is still on its way.
    void push(const answer_t& answer, clock::time_point now);
    void clear();

    struct step_t {
        bool done = false;
        ViStatus status = VI_SUCCESS;
        // When !done: the next arrival, or time_point::max() when nothing is on its way.
        clock::time_point next = clock::time_point::max();
    };
    // Moves what has arrived by now into the read, up to max bytes; done once
    // the read is full, a message ends or the termination character (>= 0) came.
    step_t take(QByteArray& read, qint64 max, int termchar, clock::time_point now);

private:
    struct chunk_t {
        clock::time_point arrival;
        QByteArray bytes;
        bool ends_message = false;
    };

    std::deque<chunk_t> chunks;
};
