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
    lan_units_t* on = &units;
    lan_exchange_result_t result;
    const bool came = wait_for<lan_exchange_result_t>(
        units,
        [on, job](std::function<void(const lan_exchange_result_t&)> done) {
            on->exchange(job, std::move(done));
        },
        web_answer_ms + queue_margin_ms, result);
    if (!came) {
        job.job->cancel();
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
    lan_units_t* on = &units;
    const bool came = wait_for<lan_move_result_t>(
        units,
        [on, job](std::function<void(const lan_move_result_t&)> done) {
            on->move(job, std::move(done));
        },
        web_answer_ms + queue_margin_ms, out);
    if (!came) {
        job.job->cancel();
    }
    return came;
}

bool web_unit_calls_t::route_part(const QByteArray& name, const QByteArray& serial,
                                  const QVector<route_move_t>& moves, bool back,
                                  const QString& client, lan_route_result_t& out) {
    if (stopping) {
        return false;
    }
    lan_route_job_t job{
        name, serial, moves, QDeadlineTimer(route_part_ms), std::make_shared<lan_job_t>(), client};
    lan_units_t* on = &units;
    const bool came = wait_for<lan_route_result_t>(
        units,
        [on, job, back](std::function<void(const lan_route_result_t&)> done) {
            on->route_part(job, back, std::move(done));
        },
        route_part_ms + queue_margin_ms, out);
    if (!came) {
        job.job->cancel();
    }
    return came;
}
