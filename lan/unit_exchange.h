#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <atomic>
#include <memory>

#include "lan/lan_errors.h"

// Whether a job sent to a unit's thread may still be called off: until that
// thread takes it, and then never.
class lan_job_t {
public:
    // True when the job will not run.
    bool cancel() { return settle(cancelled); }
    // True when the job is the unit thread's to run.
    bool start() { return settle(started); }

private:
    enum state_t { queued, started, cancelled };
    bool settle(state_t to) {
        int from = queued;
        return state.compare_exchange_strong(from, to);
    }
    std::atomic<int> state{queued};
};

// One message for a unit, and the time by which its answer must be in. The
// unit is the one served under its name when the link was made, with that
// serial number; another unit never takes the message.
struct lan_exchange_t {
    QByteArray unit;
    QByteArray serial_number;
    QByteArray command;
    QDeadlineTimer deadline;
    std::shared_ptr<lan_job_t> job;
};

// Sent (lan_ok) or why not; the unit's answer line, empty when none came.
struct lan_exchange_result_t {
    int error = lan_ok;
    QByteArray answer;
};
