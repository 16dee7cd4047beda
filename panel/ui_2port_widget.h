#pragma once

#include <QFrame>

#include "panel/panel_builder.h"
#include "panel/switch_panel.h"

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
    switch_panel_t panel;
    panel_builder_t parts;
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
