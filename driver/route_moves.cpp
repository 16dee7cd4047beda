#include "driver/route_moves.h"

#include "driver/switch_move.h"

namespace {

switch_source_t with_route(switch_source_t source, const QString& route) {
    source.route = route;
    return source;
}

}  // namespace

route_moves_outcome_t apply_route_moves(const switch_model_t& model, drv_unit_t& unit,
                                        const QVector<route_move_t>& moves,
                                        const switch_source_t& source) {
    route_moves_outcome_t outcome;
    for (const route_move_t& move : moves) {
        const switch_report_t report = move_switch(model, unit, move.sw, move.position, move.before,
                                                   with_route(source, move.route));
        const bool reported = report.status == switch_report_t::reported;
        if (reported && report.position != move.before) {
            route_move_t left = move;
            left.position = report.position;
            outcome.changed.append(left);
        }
        if (!reported || !report.set_answered) {
            outcome.failure = QStringLiteral("switch %1 did not answer").arg(QLatin1Char(move.sw));
        } else if (report.position != move.position) {
            outcome.failure = QStringLiteral("switch %1 did not hold position %2 (reads %3)")
                                  .arg(QLatin1Char(move.sw))
                                  .arg(move.position)
                                  .arg(report.position);
        }
        if (!outcome.failure.isEmpty()) {
            outcome.put_back = put_back_moves(model, unit, outcome.changed, source);
            outcome.changed.clear();
            break;
        }
    }
    return outcome;
}

QStringList put_back_moves(const switch_model_t& model, drv_unit_t& unit,
                           const QVector<route_move_t>& changed, const switch_source_t& source) {
    QStringList done;
    for (int i = int(changed.size()) - 1; i >= 0; --i) {
        const route_move_t& move = changed[i];
        const switch_report_t report = move_switch(model, unit, move.sw, move.before, move.position,
                                                   with_route(source, move.route));
        const QString sw(QLatin1Char(move.sw));
        if (report.status != switch_report_t::reported) {
            done.append(
                QStringLiteral("%1 not put back to %2 (no answer)").arg(sw).arg(move.before));
        } else if (report.position != move.before) {
            done.append(QStringLiteral("%1 not put back to %2 (reads %3)")
                            .arg(sw)
                            .arg(move.before)
                            .arg(report.position));
        } else {
            done.append(QStringLiteral("%1=%2").arg(sw).arg(move.before));
        }
    }
    return done;
}
