#include "lan/unit_session.h"

#include <QThread>

#include "driver/route_book.h"
#include "driver/switch_command.h"
#include "driver/switch_model.h"
#include "driver/switch_move.h"
#include "driver/unit_answers.h"
#include "driver/unit_discovery.h"
#include "driver/visa_session.h"

namespace {

// How long identification waits for each answer, so a slow unit is still known.
constexpr int identify_answer_ms = 1000;
// How long an answer that came too late for its command is waited for, so
// it is not taken for the next command's.
constexpr int late_answer_ms = 500;
// A unit on a serial port takes the bytes that arrive until its line has been
// quiet for 20 ms as one command. An answer shows the command was taken;
// after a command that has none the next one waits this long. A VISA write
// is one command in itself.
constexpr int serial_command_gap_ms = 25;
// How long the read-back after a client's set may wait for its turn and answer.
constexpr int read_back_ms = 2000;

}  // namespace

unit_session_t::unit_session_t(const QByteArray& link_name)
    : link_name(link_name),
      link(make_unit_link()),
      unit(*link),
      command_gap_ms(visa_available() ? 0 : serial_command_gap_ms) {}

QByteArray unit_session_t::claim() const {
    return !served.isEmpty() ? served : restart_pending ? last_served : QByteArray();
}

bool unit_session_t::settled() const {
    return link->is_open() && !served.isEmpty() && !restart_pending;
}

void unit_session_t::set_answer_timeout(int ms) {
    if (ms != answer_timeout_ms) {
        link->set_answer_timeout(ms);
        answer_timeout_ms = ms;
    }
}

void unit_session_t::verify() {
    known.clear();
    // Back from a restart it was told to make, or at a link opened anew.
    bool back = restart_pending;
    set_answer_timeout(identify_answer_ms);
    // A link found gone while the unit identifies is opened once more, and
    // whatever answers there now is asked.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!link->is_open()) {
            if (!link->open(link_name)) {
                why_unknown = open_failure_text(*link);
                break;
            }
            ++open_count;
            back = back || open_count > 1;
        }
        why_unknown = QStringLiteral("no answer: it did not identify itself");
        answer_missed = false;
        unit_info_t info;
        if (identify_model(unit, info) != nullptr) {
            served = last_served = trimmed_serial_number(info.serial_number);
            restart_pending = false;
            why_unknown.clear();
            comeback_count += back ? 1 : 0;
            return;
        }
        if (link->is_open()) {
            break;
        }
    }
    // A unit in its bootloader is served under the serial number it says
    // there, so that an upgrade can finish it.
    QByteArray serial;
    served = link->is_open() && bootloader_serial(unit, serial) ? trimmed_serial_number(serial)
                                                                : QByteArray();
    if (!served.isEmpty()) {
        last_served = served;
        restart_pending = false;
        why_unknown.clear();
        comeback_count += back ? 1 : 0;
    }
}

int unit_session_t::ready_for(const QByteArray& serial, const QDeadlineTimer& deadline) {
    if (!link->is_open()) {
        verify();
    }
    if (served.isEmpty() || served != serial || !link->is_open()) {
        return lan_io_error;
    }
    if (answer_missed) {
        set_answer_timeout(late_answer_ms);
        QByteArray late;
        link->read_line(late);
        answer_missed = false;
    }
    if (quiet.isValid() && quiet.elapsed() < command_gap_ms) {
        QThread::msleep(unsigned(command_gap_ms - quiet.elapsed()));
    }
    return deadline.remainingTime() == 0 ? lan_io_timeout : lan_ok;
}

lan_move_result_t unit_session_t::move(const lan_move_t& job) {
    lan_move_result_t out;
    out.error = ready_for(job.serial_number, job.deadline);
    out.model = out.error == lan_ok ? identified_model(unit) : nullptr;
    if (out.model == nullptr || !out.model->has_switch(job.sw) ||
        !out.model->has_position(job.position)) {
        return out;
    }
    // Two answers share the time left.
    set_answer_timeout(int(qMax<qint64>(1, job.deadline.remainingTime() / 2)));
    quiet.invalidate();
    out.report =
        move_switch(*out.model, unit, job.sw, job.position, known.value(job.sw, -1),
                    {QStringLiteral("kvt-lan"), QString(), QStringLiteral("web"), job.client});
    answer_missed = out.report.status == switch_report_t::no_answer;
    out.news = note_position(*out.model, job.sw, out.report, true);
    return out;
}

lan_exchange_result_t unit_session_t::exchange(const lan_exchange_t& job) {
    const int ready = ready_for(job.serial_number, job.deadline);
    if (ready != lan_ok) {
        return {ready, {}, {}};
    }
    const qint64 left_ms = job.deadline.remainingTime();
    const bool answered = unit_answers(job.command);
    if (answered) {
        set_answer_timeout(int(left_ms));
    }
    if (!link->write(job.command)) {
        return {lan_io_error, {}, {}};
    }
    restart_pending = restart_pending || unit_restarts(job.command);
    if (!answered) {
        quiet.start();
        return {lan_ok, {}, {}};
    }
    quiet.invalidate();
    QByteArray line;
    answer_missed = !link->read_line(line);
    lan_exchange_result_t out{lan_ok, line, {}};
    if (!answer_missed) {
        look_at(job, line, out);
    }
    return out;
}

QVector<lan_switch_news_t> unit_session_t::read_back(const QByteArray& serial, char sw,
                                                     const QString& client) {
    const switch_model_t* model = ready_for(serial, QDeadlineTimer(read_back_ms)) == lan_ok
                                      ? identified_model(unit)
                                      : nullptr;
    if (model == nullptr) {
        return {};
    }
    set_answer_timeout(read_back_ms);
    quiet.invalidate();
    const switch_report_t report = model->read_switch(unit, sw);
    answer_missed = report.status == switch_report_t::no_answer;
    record_read_back(*model, unit, sw, known.value(sw, -1), report,
                     {QStringLiteral("kvt-lan"), QString(), QStringLiteral("VXI-11"), client});
    return note_position(*model, sw, report, true);
}

void unit_session_t::look_at(const lan_exchange_t& job, const QByteArray& line,
                             lan_exchange_result_t& out) {
    const switch_model_t* model = identified_model(unit);
    if (model == nullptr) {
        return;
    }
    const switch_command_t asked = read_switch_command(*model, job.command);
    if (asked.kind == switch_command_t::set) {
        out.read_back = asked.sw;
        return;
    }
    if (asked.kind != switch_command_t::query) {
        return;
    }
    switch_report_t report;
    report.answer = line.endsWith('\n') ? line.chopped(1) : line;
    if (report.answer.isEmpty() || !model->position_of(report.answer[0], report.position)) {
        return;
    }
    report.status = switch_report_t::reported;
    for (const lan_switch_news_t& news : note_position(*model, asked.sw, report, false)) {
        if (news.moved()) {
            out.news.append(news);
        }
    }
}

QVector<lan_switch_news_t> unit_session_t::note_position(const switch_model_t& model, char sw,
                                                         const switch_report_t& report, bool set) {
    if (report.status != switch_report_t::reported) {
        known.remove(sw);
        return {};
    }
    lan_switch_news_t news{model.name,    sw, known.value(sw, -1), report.position,
                           report.answer, set};
    known.insert(sw, report.position);
    return {news};
}

lan_route_result_t unit_session_t::apply_route(const lan_route_job_t& job) {
    return route_part(job, false);
}

lan_route_result_t unit_session_t::put_back(const lan_route_job_t& job) {
    return route_part(job, true);
}

lan_route_result_t unit_session_t::route_part(const lan_route_job_t& job, bool back) {
    lan_route_result_t out;
    out.error = ready_for(job.serial_number, job.deadline);
    if (out.error != lan_ok) {
        return out;
    }
    const switch_model_t* model = identified_model(unit);
    if (model == nullptr) {
        out.refusal = QStringLiteral("did not identify itself");
        return out;
    }
    for (const route_move_t& move : job.moves) {
        out.refusal =
            setting_refusal({QString(), move.sw, back ? move.before : move.position}, *model);
        if (!out.refusal.isEmpty()) {
            return out;
        }
    }
    set_answer_timeout(read_back_ms);
    quiet.invalidate();
    const switch_source_t source{QStringLiteral("kvt-lan"), QString(), QStringLiteral("web"),
                                 job.client};
    if (back) {
        out.outcome.put_back = put_back_moves(*model, unit, job.moves, source);
    } else {
        out.outcome = apply_route_moves(*model, unit, job.moves, source);
    }
    // Where the switches stand now, as the unit says, is what is told.
    QByteArray read;
    for (const route_move_t& move : job.moves) {
        if (read.contains(move.sw)) {
            continue;
        }
        read.append(move.sw);
        const switch_report_t report = model->read_switch(unit, move.sw);
        answer_missed = report.status == switch_report_t::no_answer;
        for (const lan_switch_news_t& news : note_position(*model, move.sw, report, true)) {
            if (news.moved()) {
                out.news.append(news);
            }
        }
    }
    return out;
}
