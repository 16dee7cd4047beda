#include "lan/lan_waits.h"

#include <QTimer>
#include <algorithm>
#include <vector>

#include "lan/lan_errors.h"

void lan_waits_t::park(kind_t kind, quint64 connection, int link, const QByteArray& unit,
                       int timeout_ms, int timeout_error, std::function<bool()> may_end,
                       resume_t resume) {
    const quint64 id = next_id++;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    // A coarse timer may end a wait early.
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, id, timeout_error] {
        const auto wait = find(id);
        if (wait != waits.end() && wait->may_end()) {
            finish(id, timeout_error);
        }
    });
    timer->start(timeout_ms);
    waits.push_back(
        {id, kind, connection, link, unit, timer, std::move(may_end), std::move(resume)});
}

std::list<lan_waits_t::wait_t>::iterator lan_waits_t::find(quint64 id) {
    return std::find_if(waits.begin(), waits.end(),
                        [id](const wait_t& wait) { return wait.id == id; });
}

// The timer may be the one whose signal is being delivered.
std::list<lan_waits_t::wait_t>::iterator lan_waits_t::erase(std::list<wait_t>::iterator wait) {
    wait->timer->stop();
    wait->timer->deleteLater();
    return waits.erase(wait);
}

// The wait leaves the list before it resumes, so what it does next may park anew.
void lan_waits_t::finish(quint64 id, int error) {
    const auto wait = find(id);
    if (wait == waits.end()) {
        return;
    }
    const resume_t resume = std::move(wait->resume);
    erase(wait);
    resume(error);
}

std::vector<quint64> lan_waits_t::ids(const std::function<bool(const wait_t&)>& match) const {
    std::vector<quint64> matching;
    for (const wait_t& wait : waits) {
        if (match(wait)) {
            matching.push_back(wait.id);
        }
    }
    return matching;
}

void lan_waits_t::resume_ready(const QByteArray& unit, const std::function<bool(int)>& ready) {
    for (;;) {
        const auto next = std::find_if(waits.begin(), waits.end(), [&](const wait_t& wait) {
            return wait.kind == for_lock && wait.unit == unit && ready(wait.link);
        });
        if (next == waits.end()) {
            return;
        }
        finish(next->id, lan_ok);
    }
}

void lan_waits_t::resume_link(int link, int error) {
    for (const quint64 id :
         ids([link](const wait_t& wait) { return wait.kind == for_answer && wait.link == link; })) {
        finish(id, error);
    }
}

void lan_waits_t::abort_link(int link) {
    for (const quint64 id : ids([link](const wait_t& wait) { return wait.link == link; })) {
        const auto wait = find(id);
        if (wait != waits.end()) {
            wait->may_end();
            finish(id, lan_aborted);
        }
    }
}

void lan_waits_t::drop_connection(quint64 connection) {
    for (auto wait = waits.begin(); wait != waits.end();) {
        if (wait->connection == connection) {
            wait->may_end();
            wait = erase(wait);
        } else {
            ++wait;
        }
    }
}
