#include "driver/link.h"
#include "driver/unit.h"

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

bool query_state(const QByteArray& command, char& pos) {
    QByteArray answer;
    if (!link_query(command, answer)) {
        return false;
    }
    pos = answer.isEmpty() ? '\0' : answer.at(0);
    return true;
}

}  // namespace

bool drv_unit_t::set_2port_state(char sw, char pos) {
    QByteArray answer;
    return link_query(fill("SETA=1", 3, sw, 5, pos), answer);
}

bool drv_unit_t::get_2port_state(char sw, char& pos) {
    return query_state(fill("GETA?", 3, sw), pos);
}

bool drv_unit_t::set_6port_state(char sw, char pos) {
    QByteArray answer;
    return link_query(fill("SP6TA:STATE:0", 4, sw, 12, pos), answer);
}

bool drv_unit_t::get_6port_state(char sw, char& pos) {
    return query_state(fill("SP6TA:STATE?", 4, sw), pos);
}
