#include "panel/ui_2port_widget.h"

#include <QButtonGroup>

#include "driver/switch_model.h"
#include "driver/unit.h"
#include "panel/panel_picture_frame.h"
#include "panel/position_button.h"
#include "panel/ui_indicator_widgets.h"
#include "widget/wait_cursor.h"

namespace {
constexpr QSize child_size(50, 50);
}  // namespace

// Everything that differs between the switches; index [0] is position 1, [1] position 2.
struct ui_2port_widget_item_t::switch_row_t {
    position_button_t* ui_2port_widget_item_t::*button[2];
    void (ui_2port_widget_item_t::*slot[2])();
    QPoint button_at[2];
    ui_led_widget_t* ui_2port_widget_item_t::*led;
    QPoint led_at[2];
    ui_rect4_widget_t* ui_2port_widget_item_t::*rect;
    QPoint rect_at[2];
};

using item_t = ui_2port_widget_item_t;

const item_t::switch_row_t item_t::switches[4] = {
    {{&item_t::m_buttonA1, &item_t::m_buttonA2},
     {&item_t::buttonA1_click_slot, &item_t::buttonA2_click_slot},
     {{110, 59}, {205, 59}},
     &item_t::m_ledA,
     {{258, 35}, {258, 60}},
     &item_t::m_rectA,
     {{149, 80}, {191, 80}}},
    {{&item_t::m_buttonB1, &item_t::m_buttonB2},
     {&item_t::buttonB1_click_slot, &item_t::buttonB2_click_slot},
     {{398, 59}, {493, 59}},
     &item_t::m_ledB,
     {{330, 35}, {330, 60}},
     &item_t::m_rectB,
     {{436, 80}, {478, 80}}},
    {{&item_t::m_buttonC1, &item_t::m_buttonC2},
     {&item_t::buttonC1_click_slot, &item_t::buttonC2_click_slot},
     {{110, 154}, {205, 154}},
     &item_t::m_ledC,
     {{258, 145}, {258, 170}},
     &item_t::m_rectC,
     {{149, 175}, {191, 175}}},
    {{&item_t::m_buttonD1, &item_t::m_buttonD2},
     {&item_t::buttonD1_click_slot, &item_t::buttonD2_click_slot},
     {{398, 154}, {493, 154}},
     &item_t::m_ledD,
     {{330, 145}, {330, 170}},
     &item_t::m_rectD,
     {{436, 175}, {478, 175}}},
};

// Children are created in stacking order: bars, then buttons, then lamps on top.
ui_2port_widget_item_t::ui_2port_widget_item_t(QWidget* parent)
    : QFrame(parent, Qt::WindowFlags()),
      panel(
          two_port_model, [this](char sw, int position) { place(sw, position); },
          [this](const QString& text) { emit sendShowMsg(text); },
          [this] { emit unit_unconfirmed_msg(); }) {
    for (const switch_row_t& row : switches) {
        this->*row.rect = new ui_rect4_widget_t(this);
        (this->*row.rect)->setGeometry(QRect(row.rect_at[0], child_size));
    }
    for (const switch_row_t& row : switches) {
        auto* group = new QButtonGroup(this);
        for (int i = 0; i < 2; ++i) {
            this->*row.button[i] = new position_button_t(this);
            (this->*row.button[i])->setGeometry(QRect(row.button_at[i], child_size));
            group->addButton(this->*row.button[i], i + 1);
        }
    }
    for (const switch_row_t& row : switches) {
        this->*row.led = new ui_led_widget_t(this);
        (this->*row.led)->setGeometry(QRect(row.led_at[0], child_size));
    }
    for (const switch_row_t& row : switches) {
        panel.add_switch({this->*row.button[0], this->*row.button[1]}, this->*row.led,
                         {this->*row.rect});
        for (int i = 0; i < 2; ++i) {
            connect(this->*row.button[i], &position_button_t::chosen, this, row.slot[i]);
        }
    }
}

void ui_2port_widget_item_t::buttonA1_click_slot() {
    panel.click('A', 1);
}
void ui_2port_widget_item_t::buttonA2_click_slot() {
    panel.click('A', 2);
}
void ui_2port_widget_item_t::buttonB1_click_slot() {
    panel.click('B', 1);
}
void ui_2port_widget_item_t::buttonB2_click_slot() {
    panel.click('B', 2);
}
void ui_2port_widget_item_t::buttonC1_click_slot() {
    panel.click('C', 1);
}
void ui_2port_widget_item_t::buttonC2_click_slot() {
    panel.click('C', 2);
}
void ui_2port_widget_item_t::buttonD1_click_slot() {
    panel.click('D', 1);
}
void ui_2port_widget_item_t::buttonD2_click_slot() {
    panel.click('D', 2);
}

void ui_2port_widget_item_t::place(char sw, int position) {
    const switch_row_t& row = switches[sw - two_port_model.switches[0]];
    (this->*row.led)->setGeometry(QRect(row.led_at[position - 1], child_size));
    (this->*row.rect)->setGeometry(QRect(row.rect_at[position - 1], child_size));
    (this->*row.led)->show();
    (this->*row.rect)->show();
}

// A is asked twice and the second answer counts.
void ui_2port_widget_item_t::device_connect_slot() {
    const wait_cursor_t wait;
    char first = '0';
    drv_unit_instance().get_2port_state('A', first);
    panel.read_back();
}

void ui_2port_widget_item_t::device_disconnect_slot() {}

void ui_2port_widget_item_t::device_clear_slot() {
    panel.clear();
}

ui_2port_widget_t::ui_2port_widget_t(QWidget* parent) : QFrame(parent, Qt::WindowFlags()) {
    m_item = new ui_2port_widget_item_t(this);
    install_panel_item(this, m_item, "m_2portWidget", two_port_picture);
    connect(m_item, &ui_2port_widget_item_t::sendShowMsg, this, &ui_2port_widget_t::sendShowMsg);
    connect(m_item, &ui_2port_widget_item_t::unit_unconfirmed_msg, this,
            &ui_2port_widget_t::unit_unconfirmed_msg);
}

void ui_2port_widget_t::device_connect_slot() {
    m_item->device_connect_slot();
}

void ui_2port_widget_t::device_clear_slot() {
    m_item->device_clear_slot();
}
