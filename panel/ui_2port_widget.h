#pragma once

#include <QFrame>

#include "panel/switch_panel.h"

class position_button_t;
class ui_led_widget_t;
class ui_rect4_widget_t;

// Picture of the four-switch unit with a button on each outer connector, a
// lamp and a bar per switch showing its path.
class ui_2port_widget_item_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_2port_widget_item_t(QWidget* parent);

signals:
    void sendShowMsg(QString msg);
    // The unit on the link must be identified again before it is switched.
    void unit_unconfirmed_msg();

public slots:
    void buttonA1_click_slot();
    void buttonA2_click_slot();
    void buttonB1_click_slot();
    void buttonB2_click_slot();
    void buttonC1_click_slot();
    void buttonC2_click_slot();
    void buttonD1_click_slot();
    void buttonD2_click_slot();
    void device_connect_slot();
    void device_disconnect_slot();
    // Shows no position on any switch.
    void device_clear_slot();

private:
    struct switch_row_t;
    static const switch_row_t switches[4];

    void place(char sw, int position);

    switch_panel_t panel;

    position_button_t* m_buttonA1;
    position_button_t* m_buttonA2;
    position_button_t* m_buttonB1;
    position_button_t* m_buttonB2;
    position_button_t* m_buttonC1;
    position_button_t* m_buttonC2;
    position_button_t* m_buttonD1;
    position_button_t* m_buttonD2;
    ui_led_widget_t* m_ledA;
    ui_led_widget_t* m_ledB;
    ui_led_widget_t* m_ledC;
    ui_led_widget_t* m_ledD;
    ui_rect4_widget_t* m_rectA;
    ui_rect4_widget_t* m_rectB;
    ui_rect4_widget_t* m_rectC;
    ui_rect4_widget_t* m_rectD;
};

// The two-port unit's front panel, the one the window opens on.
inline constexpr char two_port_picture[] = ":/image/KVT0402Q.png";

// Frame around the picture; the central widget shows it for the two-port model.
class ui_2port_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_2port_widget_t(QWidget* parent);

signals:
    void sendShowMsg(QString msg);
    void unit_unconfirmed_msg();

public slots:
    void device_connect_slot();
    void device_clear_slot();

private:
    ui_2port_widget_item_t* m_item;
};
