#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QVector>
#include <atomic>
#include <memory>

#include "driver/route_moves.h"
#include "driver/switch_model.h"
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
    // The client's address, as the switching history names it.
    QString client;
};

// Where a switch stands, as a client's command showed it: the read-back of
// a set, or the answer to a state query that differs from what was known.
struct lan_switch_news_t {
    QByteArray model;
    char sw = '\0';
    // -1 while not known.
    int from = -1;
    int to = -1;
    // The state query's answer.
    QByteArray reply;
    bool set = false;

    // Worth an event: the switch moved, or a set left it where it may have moved.
    bool moved() const { return from != to && (from != -1 || set); }
};

// Sent (lan_ok) or why not; the unit's answer line, empty when none came.
struct lan_exchange_result_t {
    int error = lan_ok;
    QByteArray answer;
    QVector<lan_switch_news_t> news;
    // The switch a set command was answered for, to be read back next on the
    // unit's own turn; '\0' for none.
    char read_back = '\0';
};

// A switch to move with the core's operation, on the unit lan_exchange_t
// would name.
struct lan_move_t {
    QByteArray unit;
    QByteArray serial_number;
    char sw = '\0';
    int position = 0;
    QDeadlineTimer deadline;
    std::shared_ptr<lan_job_t> job;
    // The client's address, as the switching history names it.
    QString client;
};

// Reached (lan_ok) or why not. Nothing is sent while model is null or has
// no such switch or position.
struct lan_move_result_t {
    int error = lan_ok;
    const switch_model_t* model = nullptr;
    switch_report_t report;
    QVector<lan_switch_news_t> news;
};

// A unit's part of a route, moved with the core's route moves, or put back.
struct lan_route_job_t {
    QByteArray unit;
    QByteArray serial_number;
    QVector<route_move_t> moves;
    QDeadlineTimer deadline;
    std::shared_ptr<lan_job_t> job;
    QString client;
};

// Reached (lan_ok) or why not; refusal says why nothing was sent.
struct lan_route_result_t {
    int error = lan_ok;
    QString refusal;
    route_moves_outcome_t outcome;
    QVector<lan_switch_news_t> news;
};
