#include "driver/unit.h"

#include "driver/link.h"

drv_unit_t& drv_unit_instance() {
    static drv_unit_t unit;
    return unit;
}

bool drv_unit_t::identify(unit_info_t& out) {
    QByteArray os;
    link_query("OS?", os);
    if (os != "APP") {
        return false;
    }
    const struct {
        const char* command;
        QByteArray unit_info_t::*field;
    } steps[] = {
        {"MN?", &unit_info_t::model},
        {"SN?", &unit_info_t::serial_number},
        {"SV?", &unit_info_t::software_version},
        {"SHOW:PRODect:ID?", &unit_info_t::product_id},
    };
    for (const auto& step : steps) {
        if (!link_query(step.command, info.*step.field)) {
            return false;
        }
    }
    out = info;
    return true;
}
