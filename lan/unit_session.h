#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <memory>

#include "driver/switch_model.h"
#include "driver/unit.h"
#include "driver/unit_link.h"
#include "lan/unit_exchange.h"

// One port or VISA resource and the unit behind it, on the unit's own
// thread. The unit is served under a serial number only while it is that
// unit: whenever the link is opened again, the unit identifies itself first.
// A unit told to restart keeps its number while it comes back, in its
// application or its bootloader (which cannot identify itself), on the same
// port or resource.
class unit_session_t {
public:
    explicit unit_session_t(const QByteArray& link_name);

    // Opens the link if it is closed, and has the unit identify itself.
    void verify();
    // Writes the command and, when the unit answers it, takes that answer
    // at once, waiting for it until the job's deadline.
    lan_exchange_result_t exchange(const lan_exchange_t& job);
    // Moves the switch with the core's operation, on the unit identified at
    // the link's opening, waiting for each answer until the job's deadline.
    lan_move_result_t move(const lan_move_t& job);
    // Reads back switch sw after a client's set, while the unit is still the
    // one served under serial.
    QVector<lan_switch_news_t> read_back(const QByteArray& serial, char sw, const QString& client);
    // A unit's part of a route: every move, or none when one does not fit
    // the unit's model; at the first that does not hold, what was moved is
    // put back.
    lan_route_result_t apply_route(const lan_route_job_t& job);
    // Puts back the moves another unit's failure undoes.
    lan_route_result_t put_back(const lan_route_job_t& job);
    // The serial number the unit goes by: the one it identified itself with
    // or, during a restart it was told to make, the one it had before.
    QByteArray claim() const;
    // The serial number the unit is served under now; empty while it is not
    // known to be there.
    QByteArray serving() const { return served; }
    // Why no unit is known there, after the last identification; empty when
    // one is.
    QString fault() const { return why_unknown; }
    // True while the link is open, its unit has identified itself since it
    // was opened, and no restart it was told to make is under way.
    bool settled() const;
    // How often the link has been opened.
    int opens() const { return open_count; }
    // How often a unit has identified itself back from a restart it was told
    // to make, or on a link opened again.
    int comebacks() const { return comeback_count; }

private:
    void set_answer_timeout(int ms);
    // lan_ok once the link's unit is the one served under serial and may
    // take a command, with time left before the deadline.
    int ready_for(const QByteArray& serial, const QDeadlineTimer& deadline);
    // What the command, answered by line, showed of a switch.
    lan_route_result_t route_part(const lan_route_job_t& job, bool back);
    void look_at(const lan_exchange_t& job, const QByteArray& line, lan_exchange_result_t& out);
    QVector<lan_switch_news_t> note_position(const switch_model_t& model, char sw,
                                             const switch_report_t& report, bool set);

    const QByteArray link_name;
    const std::unique_ptr<unit_link_t> link;
    drv_unit_t unit;
    const int command_gap_ms;
    // The unit served now, and the one before a restart.
    QByteArray served;
    QByteArray last_served;
    QString why_unknown;
    bool restart_pending = false;
    int open_count = 0;
    int comeback_count = 0;
    // An answer that came too late would pass for the next command's.
    bool answer_missed = false;
    // Runs from a command the unit does not answer.
    QElapsedTimer quiet;
    int answer_timeout_ms = 0;
    // Where each switch stood when last read, since the unit identified itself.
    QHash<char, int> known;
};
