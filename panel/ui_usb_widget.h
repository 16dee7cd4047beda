#pragma once

#include <QFrame>
#include <QStringList>

#include "driver/unit_discovery.h"

class ui_combo_box_t;
class ui_label_t;
class ui_push_button_t;

// The bar through which the operator finds units and picks one.
class ui_usb_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_usb_widget_t(QWidget* parent);

    // Where a rescan looks besides the units' own ports and resources, and
    // where it finds those ports; the operating system's list by default.
    void set_search(unit_search_t where);

signals:
    void device_connect_msg(int id);
    // Why a chosen unit could not be shown, for the status bar.
    void sendShowMsg(QString msg);

public slots:
    void device_rescan_slot();
    void device_change_slot(int index);

private:
    void add_device(const QString& name);
    void show_disconnected();
    // A unit the link found gone is no longer connected until the next connection.
    void unit_lost(const QString& name);

    ui_label_t* state_label;
    ui_label_t* info_label;
    ui_combo_box_t* module_combo;
    ui_push_button_t* rescan_button;
    QStringList device_names;
    unit_search_t search;
};
