#pragma once

#include <QByteArray>
#include <QtGlobal>

class unit_link_t;

// Answers of the identification queries, as the link delivered them.
struct unit_info_t {
    QByteArray model;
    QByteArray serial_number;
    QByteArray software_version;
    QByteArray product_id;
};

enum link_state_t : quint8 {
    link_connected = 0,
    link_upgrading = 1,
    link_disconnected = 2,
};

// Which images the unit accepts, in the order of its "UPGRADE:ID?" answer;
// exact_flag 0 means any number from min_id to max_id.
struct upgrade_identity_t {
    qint32 expected_id = 0;
    qint32 min_id = 0;
    qint32 max_id = 0;
    qint32 exact_flag = 0;
};

// Product number of the six-port model; every other number is the two-port model.
constexpr int six_port_product_id = 29;

// The switch-unit commands, each a single query on the unit's link.
class drv_unit_t {
public:
    explicit drv_unit_t(unit_link_t& link) : link(link) {}

    bool identify(unit_info_t& out);
    // True from a successful identify until the next one begins or the link
    // is opened anew or lost: only a unit known to be a switch unit is driven.
    bool identified() const { return identity_known; }
    // True once an exchange has failed since the last identification: the
    // unit on the link may since be another (behind an adapter) or in its
    // bootloader.
    bool in_doubt() const { return doubt; }
    void forget_identity() { identity_known = false; }
    // The answers of the most recent identification.
    const unit_info_t& identity() const { return info; }

    link_state_t link_state() const { return state; }
    void set_link_state(link_state_t value) { state = value; }

    // The state queries also hand out the whole answer when asked for it.
    bool set_2port_state(char sw, char pos);
    bool get_2port_state(char sw, char& pos, QByteArray* answer = nullptr);
    bool set_6port_state(char sw, char pos);
    bool get_6port_state(char sw, char& pos, QByteArray* answer = nullptr);

    // Reads the first four fields of the answer; a field that is empty, not a
    // number or missing gives 0. False, changing nothing, without an answer.
    bool query_upgrade_identity(upgrade_identity_t& out);

    // One query of any text on the unit's link.
    bool query(const QByteArray& command, QByteArray& answer);

private:
    bool ask(const QByteArray& command, QByteArray& answer);
    bool query_state(const QByteArray& command, char& pos, QByteArray* whole);

    unit_link_t& link;
    unit_info_t info;
    upgrade_identity_t upgrade_identity;
    link_state_t state = link_disconnected;
    bool identity_known = false;
    bool doubt = false;
};

// A serial number as the unit states it, without the blanks around it: what
// every program matches units by.
QByteArray trimmed_serial_number(const QByteArray& stated);

// The window's one unit, on its one current link (link.h).
drv_unit_t& drv_unit_instance();

// Base-10 reading of a product number: leading white space, an optional sign,
// then digits; whatever follows is ignored. False without digits or beyond int.
bool parse_product_number(const QByteArray& text, int& out);
