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
    // The unit chosen could not be opened or identified: the panels show no
    // position, since none of it is that unit's.
    void device_unidentified_msg();
    // Why a chosen unit could not be shown, for the status bar; empty once one is.
    void sendShowMsg(QString msg);

public slots:
    void device_rescan_slot();
    void device_change_slot(int index);
    // Identifies the unit on the link again and shows what answers, as after choosing it.
    void device_identify_slot();

private:
    void add_device(const QString& name);
    void show_unit(const QString& name);
    void show_disconnected();
    // Why a unit that did not identify itself is not shown.
    static QString unidentified_text(const QString& name);
    // A unit the link found gone is no longer connected until the next connection.
    void unit_lost(const QString& name);

    ui_label_t* state_label;
    ui_label_t* info_label;
    ui_combo_box_t* module_combo;
    ui_push_button_t* rescan_button;
    QStringList device_names;
    unit_search_t search;
};
