#include "driver/switch_model.h"

switch_report_t switch_model_t::read_switch(drv_unit_t& unit, char sw) const {
    switch_report_t report;
    char wire_char = '\0';
    if (!(unit.*get_state)(sw, wire_char, &report.answer)) {
        report.status = switch_report_t::no_answer;
    } else if (!position_of(wire_char, report.position)) {
        report.status = switch_report_t::no_position;
    } else {
        report.status = switch_report_t::reported;
    }
    return report;
}

const switch_model_t* identified_model(const drv_unit_t& unit) {
    int product_number = 0;
    if (!unit.identified() || !parse_product_number(unit.identity().product_id, product_number)) {
        return nullptr;
    }
    return &model_for_product(product_number);
}

const switch_model_t* identify_model(drv_unit_t& unit, unit_info_t& info) {
    return unit.identify(info) ? identified_model(unit) : nullptr;
}

bool bootloader_serial(drv_unit_t& unit, QByteArray& serial_number) {
    QByteArray os;
    QByteArray serial;
    if (!unit.query("OS?", os) || os != "BOOTLOADER" || !unit.query("SN?", serial) ||
        serial.isEmpty()) {
        return false;
    }
    serial_number = serial;
    return true;
}

const switch_model_t& model_for_product(int product_number) {
    return product_number == six_port_product_id ? six_port_model : two_port_model;
}

const switch_model_t* model_named(const QByteArray& name) {
    for (const switch_model_t* model : all_models) {
        if (name == model->name) {
            return model;
        }
    }
    return nullptr;
}

QString no_position_text(char sw, const QByteArray& answer) {
    return QStringLiteral("Switch %1 answered \"%2\", which is no position")
        .arg(QString(QLatin1Char(sw)), QString::fromUtf8(answer));
}
