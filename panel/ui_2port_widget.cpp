#include "panel/ui_2port_widget.h"

#include "driver/switch_model.h"
#include "driver/unit.h"
#include "panel/panel_picture_frame.h"
#include "panel/ui_indicator_widgets.h"
#include "widget/wait_cursor.h"

namespace {

// One level bar per switch, waiting at position 1 as the lamp does.
const panel_geometry_t two_port_geometry = {
    {{&make_figure<ui_rect4_widget_t>, 1}},
    1,
    true,
    {{{{110, 59}, {258, 35}, 0, {149, 80}}, {{205, 59}, {258, 60}, 0, {191, 80}}},
     {{{398, 59}, {330, 35}, 0, {436, 80}}, {{493, 59}, {330, 60}, 0, {478, 80}}},
     {{{110, 154}, {258, 145}, 0, {149, 175}}, {{205, 154}, {258, 170}, 0, {191, 175}}},
     {{{398, 154}, {330, 145}, 0, {436, 175}}, {{493, 154}, {330, 170}, 0, {478, 175}}}},
};

}  // namespace

ui_2port_widget_item_t::ui_2port_widget_item_t(QWidget* parent)
    : QFrame(parent, Qt::WindowFlags()),
      panel(
          two_port_model, [this](char sw, int position) { parts.place(sw, position); },
          [this](const QString& text) { emit sendShowMsg(text); },
          [this] { emit unit_unconfirmed_msg(); }),
      parts(this, two_port_model, two_port_geometry, panel) {}

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
