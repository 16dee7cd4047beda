#include "driver/unit.h"

#include <QList>
#include <cctype>
#include <charconv>

#include "driver/link.h"
#include "driver/link_events.h"

namespace {

// Each command is a fixed template with its placeholders overwritten in place.
QByteArray fill(const char* templ, int switch_index, char sw, int position_index = -1,
                char pos = 0) {
    QByteArray command(templ);
    command[switch_index] = sw;
    if (position_index >= 0) {
        command[position_index] = pos;
    }
    return command;
}

}  // namespace

QByteArray trimmed_serial_number(const QByteArray& stated) {
    return stated.trimmed();
}

drv_unit_t& drv_unit_instance() {
    static drv_unit_t unit(current_link());
    // What answers once the link is back may be another unit, or one in its bootloader.
    static const QMetaObject::Connection forget_lost_unit =
        QObject::connect(&link_events(), &link_events_t::unit_lost, [] { unit.forget_identity(); });
    return unit;
}

bool drv_unit_t::identify(unit_info_t& out) {
    identity_known = false;
    QByteArray os;
    link.query("OS?", os);
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
        if (!link.query(step.command, info.*step.field)) {
            return false;
        }
    }
    out = info;
    identity_known = true;
    doubt = false;
    return true;
}

bool drv_unit_t::ask(const QByteArray& command, QByteArray& answer) {
    if (link.query(command, answer)) {
        return true;
    }
    doubt = true;
    return false;
}

bool drv_unit_t::query_state(const QByteArray& command, char& pos, QByteArray* whole) {
    QByteArray answer;
    if (!ask(command, answer)) {
        return false;
    }
    pos = answer.isEmpty() ? '\0' : answer.at(0);
    if (whole != nullptr) {
        *whole = answer;
    }
    return true;
}

bool drv_unit_t::set_2port_state(char sw, char pos) {
    QByteArray answer;
    return ask(fill("SETA=1", 3, sw, 5, pos), answer);
}

bool drv_unit_t::get_2port_state(char sw, char& pos, QByteArray* answer) {
    return query_state(fill("GETA?", 3, sw), pos, answer);
}

bool drv_unit_t::set_6port_state(char sw, char pos) {
    QByteArray answer;
    return ask(fill("SP6TA:STATE:0", 4, sw, 12, pos), answer);
}

bool drv_unit_t::get_6port_state(char sw, char& pos, QByteArray* answer) {
    return query_state(fill("SP6TA:STATE?", 4, sw), pos, answer);
}

bool drv_unit_t::query_upgrade_identity(upgrade_identity_t& out) {
    QByteArray answer;
    if (!ask("UPGRADE:ID?", answer)) {
        return false;
    }
    const QList<QByteArray> fields = answer.split(',');
    qint32 numbers[4] = {};
    // A field that is no number leaves its 0.
    for (int i = 0; i < 4 && i < fields.size(); ++i) {
        parse_product_number(fields[i], numbers[i]);
    }
    upgrade_identity = {numbers[0], numbers[1], numbers[2], numbers[3]};
    out = upgrade_identity;
    return true;
}

bool drv_unit_t::query(const QByteArray& command, QByteArray& answer) {
    return link.query(command, answer);
}

bool parse_product_number(const QByteArray& text, int& out) {
    const char* first = text.constData();
    const char* const last = first + text.size();
    while (first != last && std::isspace(static_cast<unsigned char>(*first))) {
        ++first;
    }
    // from_chars takes a minus sign only.
    if (first != last && *first == '+') {
        ++first;
        if (first == last || !std::isdigit(static_cast<unsigned char>(*first))) {
            return false;
        }
    }
    int value = 0;
    if (std::from_chars(first, last, value).ec != std::errc()) {
        return false;
    }
    out = value;
    return true;
}
