#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <list>
#include <memory>

#include "driver/unit_discovery.h"
#include "lan/unit_exchange.h"
#include "lan/unit_worker.h"

class QThread;
class unit_session_t;

// The units this PC reaches, each on a worker of its own, and the names they
// are served under (lan_naming.h). Everything here runs on the server's
// thread; answers come back to it from the workers.
class lan_units_t : public QObject {
public:
    // say gets each line told of a place not served under a serial number:
    // when it is first so, and again whenever what is told changes.
    lan_units_t(unit_search_t where, std::function<void(const QString&)> say);
    ~lan_units_t() override;

    // Lists the ports or resources and has each unit not known yet identify
    // itself, each on its own worker at once; done when all have answered.
    void search(std::function<void()> done);
    // The names units are served under now, sorted.
    QList<QByteArray> names() const;
    // done(true) once a unit goes by this name; a name not known starts a
    // search, but not more often than every lan_search_interval_ms.
    void find(const QByteArray& name, std::function<void(bool)> done);
    // done(its serial number) when the unit served under name identifies
    // itself again as the same unit, still served under that name;
    // done(empty) when not.
    void verify(const QByteArray& name, std::function<void(const QByteArray&)> done);
    // Sends the job's command to the unit served under job.unit, when that
    // is still the unit with job.serial_number; done always comes, on this
    // thread.
    void exchange(const lan_exchange_t& job,
                  std::function<void(const lan_exchange_result_t&)> done);
    // Moves a switch of that unit with the core's operation, likewise.
    void move(const lan_move_t& job, std::function<void(const lan_move_result_t&)> done);
    // Moves that unit's part of a route, likewise, or puts it back.
    void apply_part(const lan_route_job_t& job,
                    std::function<void(const lan_route_result_t&)> done);
    void put_back_part(const lan_route_job_t& job,
                       std::function<void(const lan_route_result_t&)> done);

    // Told on this thread what clients' commands showed of a unit's switches.
    std::function<void(const QByteArray& name, const lan_switch_news_t& news)> on_switch;
    // Told on this thread of a unit served under name that came back from a
    // restart, or identified itself on its link opened again.
    std::function<void(const QByteArray& name)> on_comeback;

private:
    // What a unit's thread says of its session after each piece of work.
    struct report_t {
        QByteArray claim;
        QString fault;
        bool settled = false;
        int opens = 0;
        int comebacks = 0;
    };
    struct unit_t {
        std::unique_ptr<unit_worker_t> worker;
        // What its thread last said: the serial number the unit goes by, or
        // why none is known.
        QByteArray claim;
        QString fault;
        bool settled = false;
        int opens = 0;
        int comebacks = 0;
        // The opens count when a link to it was last granted; a link is
        // granted at once while the unit is settled and its link has not
        // been opened since.
        int linked_opens = -1;
        // Served under; empty when not served.
        QByteArray name;
        // Told of it now, and last said.
        QString told;
        QString said;
    };

    // Runs work on the worker of the unit the job names, and reports there.
    template <typename Job, typename Result>
    void run(const Job& job, Result (unit_session_t::*work)(const Job&),
             std::function<void(const Result&)> done);
    // After the answer to a client's set: the switch read back on the unit's
    // own turn, and told.
    void read_back(const QByteArray& name, const QByteArray& serial, char sw,
                   const QString& client);
    void tell(const QByteArray& name, const QVector<lan_switch_news_t>& news);
    unit_t* unit_at(const QByteArray& link_name);
    unit_t* unit_named(const QByteArray& name);
    // done gets the serial number the unit is served under now, if any.
    void verify_unit(unit_t& unit, std::function<void(const QByteArray&)> done);
    static report_t report_of(const unit_session_t& session);
    void note(const QByteArray& link_name, const report_t& report);
    void rename();
    void say_changes();
    void identify_found();
    void end_search();

    const unit_search_t where;
    const std::function<void(const QString&)> say;
    std::list<unit_t> units;
    QThread* finder = nullptr;
    QStringList found;
    // Found more than once by the last search.
    QStringList shared_places;
    // Whoever waits for the search under way; empty while none is.
    QList<std::function<void()>> searching;
    int unanswered = 0;
    QElapsedTimer last_search;
};
