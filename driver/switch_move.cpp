#include "driver/switch_move.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutex>
#include <QSet>
#include <cstdio>

namespace {

void complain_once(const history_status_t& status) {
    static QMutex lock;
    static QSet<int> told;
    const QMutexLocker locker(&lock);
    if (told.contains(status.kind)) {
        return;
    }
    told.insert(status.kind);
    std::fprintf(stderr, "%s: switching history not written: %s\n",
                 qPrintable(QCoreApplication::applicationName()), qPrintable(status.error));
}

}  // namespace

switch_report_t move_switch(const switch_model_t& model, drv_unit_t& unit, char sw, int position,
                            int from, const switch_source_t& source) {
    if (identified_model(unit) != &model) {
        switch_report_t refused;
        refused.status = switch_report_t::not_identified;
        return refused;
    }
    const bool set_answered = (unit.*model.set_state)(sw, model.wire(position));
    switch_report_t report = model.read_switch(unit, sw);
    report.set_answered = set_answered;
    record_read_back(model, unit, sw, from, report, source);
    return report;
}

void record_read_back(const switch_model_t& model, const drv_unit_t& unit, char sw, int from,
                      const switch_report_t& report, const switch_source_t& source) {
    if (report.status != switch_report_t::reported) {
        return;
    }
    switch_record_t record;
    record.time_ms = QDateTime::currentMSecsSinceEpoch();
    record.serial_number = trimmed_serial_number(unit.identity().serial_number);
    record.model = model.name;
    record.sw = sw;
    record.from = from;
    record.to = report.position;
    record.reply = report.answer;
    record.source = source;
    const history_status_t recorded = record_switch(record);
    if (!recorded.ok()) {
        complain_once(recorded);
    }
}
