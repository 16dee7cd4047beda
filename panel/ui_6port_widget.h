#pragma once

#include <QFrame>

#include "panel/panel_builder.h"
#include "panel/switch_panel.h"

// Picture of the two six-way switches with a button on every connector; a lamp
// and one of three bars per switch show its path, none at position 0.
class ui_6port_widget_item_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_6port_widget_item_t(QWidget* parent);

    // Path code 1..7 is A0..A6, 8..14 is B0..B6; other codes do nothing.
    void show_path(int code);

signals:
    void sendShowMsg(QString msg);
    // The unit on the link must be identified again before it is switched.
    void unit_unconfirmed_msg();

public slots:
    void buttonA0_click_slot();
    void buttonA1_click_slot();
    void buttonA2_click_slot();
    void buttonA3_click_slot();
    void buttonA4_click_slot();
    void buttonA5_click_slot();
    void buttonA6_click_slot();
    void buttonB0_click_slot();
    void buttonB1_click_slot();
    void buttonB2_click_slot();
    void buttonB3_click_slot();
    void buttonB4_click_slot();
    void buttonB5_click_slot();
    void buttonB6_click_slot();
    void device_connect_slot();
    // Shows no position on any switch.
    void device_clear_slot();

private:
    switch_panel_t panel;
    panel_builder_t parts;
};

// Frame around the picture; the central widget shows it for the six-port model.
class ui_6port_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_6port_widget_t(QWidget* parent);

signals:
    void sendShowMsg(QString msg);
    void unit_unconfirmed_msg();

public slots:
    void device_connect_slot();
    void device_clear_slot();

private:
    ui_6port_widget_item_t* m_item;
};
