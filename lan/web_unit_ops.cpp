#include "lan/web_unit_ops.h"

#include "driver/switch_model.h"
#include "driver/unit.h"
#include "driver/unit_identity.h"
#include "lan/web_unit_calls.h"
#include "lan/web_unit_link.h"

namespace {

// The unit, reached through its worker, identified afresh.
struct reached_t {
    explicit reached_t(web_unit_calls_t& calls, const QByteArray& name)
        : link([&calls, name, this](const QByteArray& command, QByteArray& line) {
              return !serial.isEmpty() && calls.exchange(name, serial, command, line);
          }),
          unit(link) {
        serial = calls.verify(name);
        if (!serial.isEmpty()) {
            model = identify_model(unit, info);
        }
    }
    QByteArray serial;
    web_unit_link_t link;
    drv_unit_t unit;
    unit_info_t info;
    const switch_model_t* model = nullptr;
};

QString state_of(reached_t& reached) {
    if (reached.model != nullptr) {
        return QStringLiteral("running");
    }
    QByteArray ignored;
    return !reached.serial.isEmpty() && bootloader_serial(reached.unit, ignored)
               ? QStringLiteral("bootloader")
               : QStringLiteral("lost");
}

QString no_answer_text(const QByteArray& name) {
    return QStringLiteral("unit %1 did not answer").arg(shown_text(name));
}

}  // namespace

web_outcome_t describe_unit(web_unit_calls_t& calls, const QByteArray& name,
                            const QString& resource, bool with_positions) {
    reached_t reached(calls, name);
    web_outcome_t out;
    // Text a unit sent goes out as JSON strings only, in kvtctl's shown form.
    out.object = QJsonObject{
        {QStringLiteral("unit"), resource},
        {QStringLiteral("name"), QString::fromLatin1(name)},
        {QStringLiteral("state"), state_of(reached)},
        {QStringLiteral("model"), shown_text(reached.info.model)},
        {QStringLiteral("serial_number"), shown_text(reached.info.serial_number)},
        {QStringLiteral("software_version"), shown_text(reached.info.software_version)},
        {QStringLiteral("product_id"), shown_text(reached.info.product_id)},
    };
    if (!with_positions || reached.model == nullptr) {
        return out;
    }
    QJsonObject positions;
    for (const char* sw = reached.model->switches; *sw != '\0'; ++sw) {
        const switch_report_t report = reached.model->read_switch(reached.unit, *sw);
        if (report.status != switch_report_t::reported) {
            out.status = 504;
            out.detail = report.status == switch_report_t::no_position
                             ? no_position_text(*sw, report.answer)
                             : no_answer_text(name);
            return out;
        }
        positions.insert(QString(QLatin1Char(*sw)), report.position);
    }
    out.object.insert(QStringLiteral("positions"), positions);
    return out;
}

web_outcome_t move_unit_switch(web_unit_calls_t& calls, const QByteArray& name,
                               const QByteArray& sw_text, int position, const QString& client) {
    web_outcome_t out;
    out.status = 504;
    out.detail = no_answer_text(name);
    const QByteArray serial = calls.verify(name);
    const char sw = sw_text.size() == 1 ? sw_text[0] : '\0';
    lan_move_result_t moved;
    if (serial.isEmpty() || !calls.move(name, serial, sw, position, client, moved) ||
        moved.error != lan_ok || moved.model == nullptr) {
        return out;
    }
    const switch_model_t& model = *moved.model;
    out.status = 422;
    if (!model.has_switch(sw)) {
        out.detail = QStringLiteral("a %1 has switches %2 only")
                         .arg(QString::fromLatin1(model.name), QString::fromLatin1(model.switches));
        return out;
    }
    if (!model.has_position(position)) {
        out.detail = QStringLiteral("a %1 has positions %2 to %3 only")
                         .arg(QString::fromLatin1(model.name))
                         .arg(model.first_position)
                         .arg(model.last_position);
        return out;
    }
    const switch_report_t& report = moved.report;
    if (report.status == switch_report_t::no_position) {
        out.status = 502;
        out.detail = no_position_text(sw, report.answer);
        return out;
    }
    if (report.status != switch_report_t::reported || !report.set_answered) {
        out.status = 504;
        out.detail = no_answer_text(name);
        return out;
    }
    out.status = 200;
    out.detail.clear();
    out.object = QJsonObject{{QStringLiteral("switch"), QString(QLatin1Char(sw))},
                             {QStringLiteral("position"), report.position}};
    if (report.position != position) {
        out.status = 409;
        out.detail = QStringLiteral("switch %1 did not hold position %2: it stands at %3")
                         .arg(QLatin1Char(sw))
                         .arg(position)
                         .arg(report.position);
    }
    return out;
}
