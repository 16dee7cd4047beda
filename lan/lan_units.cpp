#include "lan/lan_units.h"

#include <QThread>
#include <algorithm>

#include "lan/lan_limits.h"
#include "lan/unit_session.h"

lan_units_t::lan_units_t(unit_search_t where) : where(std::move(where)) {}

lan_units_t::~lan_units_t() {
    if (finder != nullptr) {
        finder->wait();
        delete finder;
    }
}

unit_worker_t* lan_units_t::worker_named(const QByteArray& name) const {
    const auto found_worker = std::find_if(
        workers.cbegin(), workers.cend(),
        [&name](const std::unique_ptr<unit_worker_t>& w) { return w->name() == name; });
    return found_worker == workers.cend() ? nullptr : found_worker->get();
}

unit_worker_t* lan_units_t::worker_of(const QByteArray& serial_number) const {
    const auto found_worker =
        std::find_if(workers.cbegin(), workers.cend(),
                     [&serial_number](const std::unique_ptr<unit_worker_t>& w) {
                         return !serial_number.isEmpty() && w->claim == serial_number;
                     });
    return found_worker == workers.cend() ? nullptr : found_worker->get();
}

QList<QByteArray> lan_units_t::serial_numbers() const {
    QList<QByteArray> numbers;
    for (const std::unique_ptr<unit_worker_t>& worker : workers) {
        if (!worker->claim.isEmpty()) {
            numbers.append(worker->claim);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// A unit found on one port is no longer on the one it was found on before.
void lan_units_t::note_claim(const QByteArray& name, const QByteArray& claim) {
    unit_worker_t* named = worker_named(name);
    if (named == nullptr) {
        return;
    }
    for (const std::unique_ptr<unit_worker_t>& worker : workers) {
        if (worker.get() != named && !claim.isEmpty() && worker->claim == claim) {
            worker->claim.clear();
        }
    }
    named->claim = claim;
}

void lan_units_t::verify_worker(unit_worker_t& worker,
                                std::function<void(const QByteArray&)> done) {
    worker.post([this, name = worker.name(), done = std::move(done)](unit_session_t& session) {
        session.verify();
        QMetaObject::invokeMethod(
            this,
            [this, name, claim = session.claim(), serving = session.serving(), done] {
                note_claim(name, claim);
                done(serving);
            },
            Qt::QueuedConnection);
    });
}

void lan_units_t::search(std::function<void()> done) {
    searching.append(std::move(done));
    if (searching.size() > 1) {
        return;
    }
    // Listing ports or resources may take a VISA library a while; the server
    // goes on meanwhile.
    finder = QThread::create([this] { found = find_units(where); });
    connect(finder, &QThread::finished, this, [this] {
        finder->wait();
        delete finder;
        finder = nullptr;
        identify_found();
    });
    finder->start();
}

void lan_units_t::identify_found() {
    for (const QString& name : qAsConst(found)) {
        if (worker_named(name.toUtf8()) == nullptr) {
            workers.emplace_back(new unit_worker_t(name.toUtf8()));
        }
    }
    std::vector<unit_worker_t*> unknown;
    for (const std::unique_ptr<unit_worker_t>& worker : workers) {
        if (worker->claim.isEmpty()) {
            unknown.push_back(worker.get());
        }
    }
    unanswered = int(unknown.size());
    if (unanswered == 0) {
        end_search();
    }
    for (unit_worker_t* worker : unknown) {
        verify_worker(*worker, [this](const QByteArray&) {
            if (--unanswered == 0) {
                end_search();
            }
        });
    }
}

void lan_units_t::end_search() {
    last_search.start();
    const QList<std::function<void()>> done = searching;
    searching.clear();
    for (const std::function<void()>& call : done) {
        call();
    }
}

void lan_units_t::find(const QByteArray& serial_number, std::function<void(bool)> done) {
    if (worker_of(serial_number) != nullptr) {
        done(true);
        return;
    }
    const bool may_search = !searching.isEmpty() || !last_search.isValid() ||
                            last_search.hasExpired(lan_search_interval_ms);
    if (!may_search) {
        done(false);
        return;
    }
    search([this, serial_number, done] { done(worker_of(serial_number) != nullptr); });
}

void lan_units_t::verify(const QByteArray& serial_number, std::function<void(bool)> done) {
    unit_worker_t* worker = worker_of(serial_number);
    if (worker == nullptr) {
        done(false);
        return;
    }
    verify_worker(*worker, [serial_number, done](const QByteArray& serving) {
        done(serving == serial_number);
    });
}

void lan_units_t::exchange(const lan_exchange_t& job,
                           std::function<void(const lan_exchange_result_t&)> done) {
    unit_worker_t* worker = worker_of(job.unit);
    if (worker == nullptr) {
        done({lan_io_error, {}});
        return;
    }
    worker->post([this, name = worker->name(), job, done](unit_session_t& session) {
        // A job called off before its turn still reports, so its link knows.
        const lan_exchange_result_t result =
            job.job->start() ? session.exchange(job) : lan_exchange_result_t{lan_io_timeout, {}};
        QMetaObject::invokeMethod(
            this,
            [this, name, claim = session.claim(), result, done] {
                note_claim(name, claim);
                done(result);
            },
            Qt::QueuedConnection);
    });
}
