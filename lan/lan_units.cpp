#include "lan/lan_units.h"

#include <QThread>
#include <algorithm>

#include "lan/lan_limits.h"
#include "lan/lan_naming.h"
#include "lan/unit_session.h"

lan_units_t::lan_units_t(unit_search_t where, std::function<void(const QString&)> say)
    : where(std::move(where)), say(std::move(say)) {}

lan_units_t::~lan_units_t() {
    if (finder != nullptr) {
        finder->wait();
        delete finder;
    }
}

lan_units_t::unit_t* lan_units_t::unit_at(const QByteArray& link_name) {
    const auto found_unit = std::find_if(units.begin(), units.end(), [&link_name](const unit_t& u) {
        return u.worker->name() == link_name;
    });
    return found_unit == units.end() ? nullptr : &*found_unit;
}

lan_units_t::unit_t* lan_units_t::unit_named(const QByteArray& name) {
    const auto found_unit = std::find_if(units.begin(), units.end(), [&name](const unit_t& u) {
        return !name.isEmpty() && u.name == name;
    });
    return found_unit == units.end() ? nullptr : &*found_unit;
}

QList<QByteArray> lan_units_t::names() const {
    QList<QByteArray> served;
    for (const unit_t& unit : units) {
        if (!unit.name.isEmpty()) {
            served.append(unit.name);
        }
    }
    std::sort(served.begin(), served.end());
    return served;
}

lan_units_t::report_t lan_units_t::report_of(const unit_session_t& session) {
    return {session.claim(), session.fault(), session.settled(), session.opens(),
            session.comebacks()};
}

void lan_units_t::note(const QByteArray& link_name, const report_t& report) {
    unit_t* unit = unit_at(link_name);
    if (unit == nullptr) {
        return;
    }
    const QByteArray& claim = report.claim;
    const bool changed = unit->claim != claim;
    const bool came_back = report.comebacks > unit->comebacks;
    unit->comebacks = report.comebacks;
    unit->claim = claim;
    unit->fault = report.fault;
    unit->settled = report.settled;
    unit->opens = report.opens;
    if (changed && !claim.isEmpty()) {
        // A unit that stated this number before may have moved here: it is
        // asked again, and where it still answers the number names neither.
        for (unit_t& other : units) {
            if (&other != unit && other.claim == claim) {
                verify_unit(other, [](const QByteArray&) {});
            }
        }
    }
    rename();
    if (came_back && !unit->name.isEmpty() && on_comeback) {
        on_comeback(unit->name);
    }
}

void lan_units_t::rename() {
    QVector<lan_place_t> places;
    for (const unit_t& unit : units) {
        const QString place = QString::fromUtf8(unit.worker->name());
        places.append({place, unit.claim, unit.fault, shared_places.contains(place)});
    }
    const QVector<lan_place_name_t> named = name_places(places);
    int i = 0;
    for (unit_t& unit : units) {
        unit.name = named[i].name;
        unit.told = named[i].said;
        ++i;
    }
    // During a search, what is told waits for its end.
    if (searching.isEmpty()) {
        say_changes();
    }
}

void lan_units_t::say_changes() {
    for (unit_t& unit : units) {
        if (unit.told != unit.said && !unit.told.isEmpty()) {
            say(unit.told);
        }
        unit.said = unit.told;
    }
}

void lan_units_t::verify_unit(unit_t& unit, std::function<void(const QByteArray&)> done) {
    unit.worker->post(
        [this, link_name = unit.worker->name(), done = std::move(done)](unit_session_t& session) {
            session.verify();
            QMetaObject::invokeMethod(
                this,
                [this, link_name, report = report_of(session), serving = session.serving(), done] {
                    note(link_name, report);
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
    shared_places.clear();
    for (const QString& place : qAsConst(found)) {
        if (found.count(place) > 1 && !shared_places.contains(place)) {
            shared_places.append(place);
        }
        if (unit_at(place.toUtf8()) == nullptr) {
            units.emplace_back();
            units.back().worker.reset(new unit_worker_t(place.toUtf8()));
        }
    }
    // Nothing tells the units at a shared place apart, so none is asked.
    std::vector<unit_t*> unknown;
    for (unit_t& unit : units) {
        if (unit.claim.isEmpty() &&
            !shared_places.contains(QString::fromUtf8(unit.worker->name()))) {
            unknown.push_back(&unit);
        }
    }
    unanswered = int(unknown.size());
    if (unanswered == 0) {
        end_search();
    }
    for (unit_t* unit : unknown) {
        verify_unit(*unit, [this](const QByteArray&) {
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
    rename();
    for (const std::function<void()>& call : done) {
        call();
    }
}

void lan_units_t::find(const QByteArray& name, std::function<void(bool)> done) {
    if (unit_named(name) != nullptr) {
        done(true);
        return;
    }
    const bool may_search = !searching.isEmpty() || !last_search.isValid() ||
                            last_search.hasExpired(lan_search_interval_ms);
    if (!may_search) {
        done(false);
        return;
    }
    search([this, name, done] { done(unit_named(name) != nullptr); });
}

void lan_units_t::verify(const QByteArray& name, std::function<void(const QByteArray&)> done) {
    unit_t* unit = unit_named(name);
    if (unit == nullptr) {
        done({});
        return;
    }
    // A unit that has identified itself since its link was last opened is
    // linked to at once, not behind the commands other links have queued.
    if (unit->settled && unit->opens == unit->linked_opens) {
        done(unit->claim);
        return;
    }
    const QByteArray link_name = unit->worker->name();
    const QByteArray claim = unit->claim;
    verify_unit(*unit, [this, name, link_name, claim, done](const QByteArray& serving) {
        unit_t* now = unit_named(name);
        const bool same = now != nullptr && now->worker->name() == link_name &&
                          now->claim == claim && serving == claim;
        if (same) {
            now->linked_opens = now->opens;
        }
        done(same ? claim : QByteArray());
    });
}

template <typename Job, typename Result>
void lan_units_t::run(const Job& job, Result (unit_session_t::*work)(const Job&),
                      std::function<void(const Result&)> done) {
    unit_t* unit = unit_named(job.unit);
    if (unit == nullptr || unit->claim != job.serial_number) {
        Result refused;
        refused.error = lan_io_error;
        done(refused);
        return;
    }
    unit->worker->post(
        [this, link_name = unit->worker->name(), job, work, done](unit_session_t& session) {
            // A job called off before its turn still reports, so its caller knows.
            Result result;
            if (job.job->start()) {
                result = (session.*work)(job);
            } else {
                result.error = lan_io_timeout;
            }
            QMetaObject::invokeMethod(
                this,
                [this, link_name, name = job.unit, report = report_of(session), result, done] {
                    note(link_name, report);
                    tell(name, result.news);
                    done(result);
                },
                Qt::QueuedConnection);
        });
}

void lan_units_t::exchange(const lan_exchange_t& job,
                           std::function<void(const lan_exchange_result_t&)> done) {
    run<lan_exchange_t, lan_exchange_result_t>(
        job, &unit_session_t::exchange, [this, job, done](const lan_exchange_result_t& result) {
            done(result);
            if (result.read_back != '\0') {
                read_back(job.unit, job.serial_number, result.read_back, job.client);
            }
        });
}

void lan_units_t::apply_part(const lan_route_job_t& job,
                             std::function<void(const lan_route_result_t&)> done) {
    run(job, &unit_session_t::apply_route, std::move(done));
}

void lan_units_t::put_back_part(const lan_route_job_t& job,
                                std::function<void(const lan_route_result_t&)> done) {
    run(job, &unit_session_t::put_back, std::move(done));
}

void lan_units_t::tell(const QByteArray& name, const QVector<lan_switch_news_t>& news) {
    for (const lan_switch_news_t& one : news) {
        if (on_switch) {
            on_switch(name, one);
        }
    }
}

void lan_units_t::read_back(const QByteArray& name, const QByteArray& serial, char sw,
                            const QString& client) {
    unit_t* unit = unit_named(name);
    if (unit == nullptr || unit->claim != serial) {
        return;
    }
    unit->worker->post([this, link_name = unit->worker->name(), name, serial, sw,
                        client](unit_session_t& session) {
        const QVector<lan_switch_news_t> news = session.read_back(serial, sw, client);
        QMetaObject::invokeMethod(
            this,
            [this, link_name, name, report = report_of(session), news] {
                note(link_name, report);
                tell(name, news);
            },
            Qt::QueuedConnection);
    });
}

void lan_units_t::move(const lan_move_t& job, std::function<void(const lan_move_result_t&)> done) {
    run(job, &unit_session_t::move, std::move(done));
}
