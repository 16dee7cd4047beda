#include "lan/web_unit_calls.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <chrono>
#include <future>
#include <memory>

#include "lan/lan_units.h"

namespace {

// Beyond the unit's own time: the worker may be busy with other links.
constexpr int queue_margin_ms = 1000;

template <typename T, typename Start>
bool wait_for(lan_units_t& units, Start start, int ms, T& out) {
    auto promise = std::make_shared<std::promise<T>>();
    std::future<T> future = promise->get_future();
    QMetaObject::invokeMethod(
        &units,
        [promise, start] { start([promise](const T& value) { promise->set_value(value); }); },
        Qt::QueuedConnection);
    if (future.wait_for(std::chrono::milliseconds(ms)) != std::future_status::ready) {
        return false;
    }
    out = future.get();
    return true;
}

// Runs the job on its unit's worker and waits for its result, calling it
// off when none came in time.
template <typename Job, typename Result>
bool run_job(lan_units_t& units, const Job& job,
             void (lan_units_t::*start)(const Job&, std::function<void(const Result&)>), int ms,
             Result& out) {
    lan_units_t* on = &units;
    const bool came = wait_for<Result>(
        units,
        [on, job, start](std::function<void(const Result&)> done) {
            (on->*start)(job, std::move(done));
        },
        ms + queue_margin_ms, out);
    if (!came) {
        job.job->cancel();
    }
    return came;
}

}  // namespace

QByteArray web_unit_calls_t::verify(const QByteArray& name) {
    QByteArray serial;
    if (stopping) {
        return {};
    }
    lan_units_t* on = &units;
    wait_for<QByteArray>(
        units,
        [on, name](std::function<void(const QByteArray&)> done) {
            on->verify(name, std::move(done));
        },
        web_answer_ms * 5 + queue_margin_ms, serial);
    return serial;
}

bool web_unit_calls_t::exchange(const QByteArray& name, const QByteArray& serial,
                                const QByteArray& command, QByteArray& line) {
    if (stopping) {
        return false;
    }
    // The web face's own queries: no client's set is among them.
    lan_exchange_t job{
        name,     serial, command, QDeadlineTimer(web_answer_ms), std::make_shared<lan_job_t>(),
        QString()};
    lan_exchange_result_t result;
    if (!run_job(units, job, &lan_units_t::exchange, web_answer_ms, result)) {
        return false;
    }
    line = result.answer;
    return result.error == lan_ok;
}

bool web_unit_calls_t::move(const QByteArray& name, const QByteArray& serial, char sw, int position,
                            const QString& client, lan_move_result_t& out) {
    if (stopping) {
        return false;
    }
    lan_move_t job{
        name,  serial, sw, position, QDeadlineTimer(web_answer_ms), std::make_shared<lan_job_t>(),
        client};
    return run_job(units, job, &lan_units_t::move, web_answer_ms, out);
}

bool web_unit_calls_t::route_part(const QByteArray& name, const QByteArray& serial,
                                  const QVector<route_move_t>& moves, bool back,
                                  const QString& client, lan_route_result_t& out) {
    if (stopping) {
        return false;
    }
    lan_route_job_t job{
        name, serial, moves, QDeadlineTimer(route_part_ms), std::make_shared<lan_job_t>(), client};
    return run_job(units, job, back ? &lan_units_t::put_back_part : &lan_units_t::apply_part,
                   route_part_ms, out);
}
