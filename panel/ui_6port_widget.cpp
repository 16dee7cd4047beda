#include "panel/ui_6port_widget.h"

#include <QButtonGroup>

#include "driver/switch_model.h"
#include "driver/unit.h"
#include "panel/panel_picture_frame.h"
#include "panel/position_button.h"
#include "panel/ui_indicator_widgets.h"
#include "widget/wait_cursor.h"

namespace {

constexpr QSize child_size(50, 50);
constexpr int positions = six_port_model.position_count();
constexpr int no_bar = -1;

// One position on switch A's field; switch B's places lie further right by its shift.
// bar_kind 0, 1, 2 stands for the rect1 (level), rect2 (60 degrees) and rect3 (30 degrees) bar.
struct place_t {
    QPoint button_at;
    int lamp_y;
    int bar_kind;
    QPoint bar_at;
};

constexpr place_t places[positions] = {
    {{147, 104}, 0, no_bar, {}},  // common connector: no path
    {{118, 54}, 35, 1, {144, 87}},    {{175, 54}, 60, 2, {166, 84}},
    {{204, 104}, 85, 0, {186, 125}},  {{175, 154}, 115, 1, {174, 136}},
    {{118, 154}, 140, 2, {138, 135}}, {{89, 104}, 170, 0, {127, 125}},
};

// Before the first path each bar waits, hidden, at the place of this position.
constexpr int bar_home_position[3] = {6, 1, 2};

int path_code(char sw, int position) {
    return (sw - 'A') * positions + position + 1;
}

}  // namespace

struct ui_6port_widget_item_t::switch_row_t {
    int shift;
    int lamp_x;
    position_button_t* ui_6port_widget_item_t::*button[positions];
    void (ui_6port_widget_item_t::*slot[positions])();
    ui_led_widget_t* ui_6port_widget_item_t::*led;
    ui_rect1_widget_t* ui_6port_widget_item_t::*rect1;
    ui_rect2_widget_t* ui_6port_widget_item_t::*rect2;
    ui_rect3_widget_t* ui_6port_widget_item_t::*rect3;
};

using item_t = ui_6port_widget_item_t;

const item_t::switch_row_t item_t::switches[2] = {
    {0,
     258,
     {&item_t::m_buttonA0, &item_t::m_buttonA1, &item_t::m_buttonA2, &item_t::m_buttonA3,
      &item_t::m_buttonA4, &item_t::m_buttonA5, &item_t::m_buttonA6},
     {&item_t::buttonA0_click_slot, &item_t::buttonA1_click_slot, &item_t::buttonA2_click_slot,
      &item_t::buttonA3_click_slot, &item_t::buttonA4_click_slot, &item_t::buttonA5_click_slot,
      &item_t::buttonA6_click_slot},
     &item_t::m_ledA,
     &item_t::m_rect1A,
     &item_t::m_rect2A,
     &item_t::m_rect3A},
    {310,
     330,
     {&item_t::m_buttonB0, &item_t::m_buttonB1, &item_t::m_buttonB2, &item_t::m_buttonB3,
      &item_t::m_buttonB4, &item_t::m_buttonB5, &item_t::m_buttonB6},
     {&item_t::buttonB0_click_slot, &item_t::buttonB1_click_slot, &item_t::buttonB2_click_slot,
      &item_t::buttonB3_click_slot, &item_t::buttonB4_click_slot, &item_t::buttonB5_click_slot,
      &item_t::buttonB6_click_slot},
     &item_t::m_ledB,
     &item_t::m_rect1B,
     &item_t::m_rect2B,
     &item_t::m_rect3B},
};

// Children are created in stacking order: bars, then buttons, then lamps on top.
ui_6port_widget_item_t::ui_6port_widget_item_t(QWidget* parent)
    : QFrame(parent, Qt::WindowFlags()),
      panel(
          six_port_model, [this](char sw, int position) { show_path(path_code(sw, position)); },
          [this](const QString& text) { emit sendShowMsg(text); },
          [this] { emit unit_unconfirmed_msg(); }) {
    for (const switch_row_t& row : switches) {
        this->*row.rect1 = new ui_rect1_widget_t(this);
        this->*row.rect2 = new ui_rect2_widget_t(this);
        this->*row.rect3 = new ui_rect3_widget_t(this);
        for (int kind = 0; kind < 3; ++kind) {
            const QPoint home = places[bar_home_position[kind]].bar_at + QPoint(row.shift, 0);
            bar(row, kind)->setGeometry(QRect(home, child_size));
        }
        for (int kind = 0; kind < 3; ++kind) {
            bar(row, kind)->setVisible(false);
        }
    }
    for (const switch_row_t& row : switches) {
        auto* group = new QButtonGroup(this);
        for (int position = 0; position < positions; ++position) {
            position_button_t*& button = this->*row.button[position];
            button = new position_button_t(this);
            button->setGeometry(
                QRect(places[position].button_at + QPoint(row.shift, 0), child_size));
            group->addButton(button);
        }
    }
    for (const switch_row_t& row : switches) {
        this->*row.led = new ui_led_widget_t(this);
        (this->*row.led)->setGeometry(QRect(QPoint(row.lamp_x, places[1].lamp_y), child_size));
        (this->*row.led)->setVisible(false);
    }
    for (const switch_row_t& row : switches) {
        QVector<position_button_t*> buttons;
        for (int position = 0; position < positions; ++position) {
            buttons.append(this->*row.button[position]);
            connect(this->*row.button[position], &position_button_t::chosen, this,
                    row.slot[position]);
        }
        panel.add_switch(buttons, this->*row.led,
                         {this->*row.rect1, this->*row.rect2, this->*row.rect3});
    }
}

QFrame* ui_6port_widget_item_t::bar(const switch_row_t& row, int kind) const {
    switch (kind) {
        case 0:
            return this->*row.rect1;
        case 1:
            return this->*row.rect2;
        default:
            return this->*row.rect3;
    }
}

void ui_6port_widget_item_t::show_path(int code) {
    if (code < 1 || code > 2 * positions) {
        return;
    }
    const switch_row_t& row = switches[(code - 1) / positions];
    const int position = (code - 1) % positions;
    const place_t& place = places[position];
    ui_led_widget_t* led = this->*row.led;
    led->setVisible(position != 0);
    for (int kind = 0; kind < 3; ++kind) {
        bar(row, kind)->setVisible(kind == place.bar_kind);
    }
    if (position == 0) {
        return;
    }
    led->setGeometry(QRect(QPoint(row.lamp_x, place.lamp_y), child_size));
    bar(row, place.bar_kind)->setGeometry(QRect(place.bar_at + QPoint(row.shift, 0), child_size));
}

void ui_6port_widget_item_t::buttonA0_click_slot() {
    panel.click('A', 0);
}
void ui_6port_widget_item_t::buttonA1_click_slot() {
    panel.click('A', 1);
}
void ui_6port_widget_item_t::buttonA2_click_slot() {
    panel.click('A', 2);
}
void ui_6port_widget_item_t::buttonA3_click_slot() {
    panel.click('A', 3);
}
void ui_6port_widget_item_t::buttonA4_click_slot() {
    panel.click('A', 4);
}
void ui_6port_widget_item_t::buttonA5_click_slot() {
    panel.click('A', 5);
}
void ui_6port_widget_item_t::buttonA6_click_slot() {
    panel.click('A', 6);
}
void ui_6port_widget_item_t::buttonB0_click_slot() {
    panel.click('B', 0);
}
void ui_6port_widget_item_t::buttonB1_click_slot() {
    panel.click('B', 1);
}
void ui_6port_widget_item_t::buttonB2_click_slot() {
    panel.click('B', 2);
}
void ui_6port_widget_item_t::buttonB3_click_slot() {
    panel.click('B', 3);
}
void ui_6port_widget_item_t::buttonB4_click_slot() {
    panel.click('B', 4);
}
void ui_6port_widget_item_t::buttonB5_click_slot() {
    panel.click('B', 5);
}
void ui_6port_widget_item_t::buttonB6_click_slot() {
    panel.click('B', 6);
}

void ui_6port_widget_item_t::device_connect_slot() {
    panel.read_back();
}

void ui_6port_widget_item_t::device_clear_slot() {
    panel.clear();
}

ui_6port_widget_t::ui_6port_widget_t(QWidget* parent) : QFrame(parent, Qt::WindowFlags()) {
    m_item = new ui_6port_widget_item_t(this);
    install_panel_item(this, m_item, "m_6portWidget", ":/image/KVT0206Q.png");
    connect(m_item, &ui_6port_widget_item_t::sendShowMsg, this, &ui_6port_widget_t::sendShowMsg);
    connect(m_item, &ui_6port_widget_item_t::unit_unconfirmed_msg, this,
            &ui_6port_widget_t::unit_unconfirmed_msg);
}

void ui_6port_widget_t::device_connect_slot() {
    m_item->device_connect_slot();
}

void ui_6port_widget_t::device_clear_slot() {
    m_item->device_clear_slot();
}
