#include "app/ui_central_widget.h"

#include <QVBoxLayout>

#include "driver/unit.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_6port_widget.h"
#include "panel/ui_usb_widget.h"

ui_central_widget_t::ui_central_widget_t(QWidget* parent)
    : QFrame(parent, Qt::WindowFlags()),
      usb_widget(new ui_usb_widget_t(this)),
      port2_widget(new ui_2port_widget_t(this)),
      port6_widget(new ui_6port_widget_t(this)),
      layout(new QVBoxLayout) {
    layout->addWidget(usb_widget);
    layout->addWidget(port2_widget);
    layout->addWidget(port6_widget);
    port6_widget->hide();
    setLayout(layout);
    // Direct, so the panel reads back inside the bar's connection handling.
    connect(usb_widget, &ui_usb_widget_t::device_connect_msg, this,
            &ui_central_widget_t::change_port_widget_slot, Qt::DirectConnection);
    connect(usb_widget, &ui_usb_widget_t::device_unidentified_msg, this,
            &ui_central_widget_t::clear_port_widgets_slot);
    // Direct, so a click waits for the unit to be identified again.
    connect(port2_widget, &ui_2port_widget_t::unit_unconfirmed_msg, usb_widget,
            &ui_usb_widget_t::device_identify_slot, Qt::DirectConnection);
    connect(port6_widget, &ui_6port_widget_t::unit_unconfirmed_msg, usb_widget,
            &ui_usb_widget_t::device_identify_slot, Qt::DirectConnection);
    connect(usb_widget, &ui_usb_widget_t::sendShowMsg, this, &ui_central_widget_t::onReceiveMsg);
    connect(port2_widget, &ui_2port_widget_t::sendShowMsg, this,
            &ui_central_widget_t::onReceiveMsg);
    connect(port6_widget, &ui_6port_widget_t::sendShowMsg, this,
            &ui_central_widget_t::onReceiveMsg);
}

void ui_central_widget_t::onReceiveMsg(QString msg) {
    emit sendShowMsg(msg);
}

void ui_central_widget_t::change_port_widget_slot(int id) {
    if (id == six_port_product_id) {
        port2_widget->hide();
        port6_widget->show();
        port6_widget->device_connect_slot();
    } else {
        port6_widget->hide();
        port2_widget->show();
        port2_widget->device_connect_slot();
    }
}

void ui_central_widget_t::clear_port_widgets_slot() {
    port2_widget->device_clear_slot();
    port6_widget->device_clear_slot();
}
