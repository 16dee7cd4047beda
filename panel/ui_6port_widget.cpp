#include "panel/ui_6port_widget.h"

#include "driver/switch_model.h"
#include "panel/panel_picture_frame.h"
#include "panel/ui_indicator_widgets.h"

namespace {

// One position on switch A's field; switch B's places lie further right.
// bar 0, 1, 2 is the rect1 (level), rect2 (60 degrees) and rect3 (30 degrees) bar.
struct place_t {
    QPoint button_at;
    int lamp_y;
    int bar;
    QPoint bar_at;
};

constexpr place_t places[] = {
    {{147, 104}, 0, position_place_t::no_bar, {}},  // common connector: no path
    {{118, 54}, 35, 1, {144, 87}},
    {{175, 54}, 60, 2, {166, 84}},
    {{204, 104}, 85, 0, {186, 125}},
    {{175, 154}, 115, 1, {174, 136}},
    {{118, 154}, 140, 2, {138, 135}},
    {{89, 104}, 170, 0, {127, 125}},
};

// Buttons and bars lie shift further right, the lamps in a column of their own.
QVector<position_place_t> switch_places(int shift, int lamp_x) {
    QVector<position_place_t> result;
    for (const place_t& place : places) {
        result.append({place.button_at + QPoint(shift, 0), QPoint(lamp_x, place.lamp_y), place.bar,
                       place.bar_at + QPoint(shift, 0)});
    }
    return result;
}

// Before the first path each bar waits, hidden, at the place of its home position.
const panel_geometry_t six_port_geometry = {
    {{&make_figure<ui_rect1_widget_t>, 6},
     {&make_figure<ui_rect2_widget_t>, 1},
     {&make_figure<ui_rect3_widget_t>, 2}},
    1,
    false,
    {switch_places(0, 258), switch_places(310, 330)},
};

}  // namespace

ui_6port_widget_item_t::ui_6port_widget_item_t(QWidget* parent)
    : QFrame(parent, Qt::WindowFlags()),
      panel(
          six_port_model, [this](char sw, int position) { parts.place(sw, position); },
          [this](const QString& text) { emit sendShowMsg(text); },
          [this] { emit unit_unconfirmed_msg(); }),
      parts(this, six_port_model, six_port_geometry, panel) {}

void ui_6port_widget_item_t::show_path(int code) {
    parts.show_path(code);
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
