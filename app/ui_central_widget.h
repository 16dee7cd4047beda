#pragma once

#include <QFrame>

class QVBoxLayout;
class ui_usb_widget_t;
class ui_2port_widget_t;
class ui_6port_widget_t;

// The device bar above the two model panels, of which one is visible.
class ui_central_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_central_widget_t(QWidget* parent);

signals:
    void sendShowMsg(QString msg);

public slots:
    void onReceiveMsg(QString msg);
    void change_port_widget_slot(int id);
    // Neither panel shows a position: the unit chosen is not identified.
    void clear_port_widgets_slot();

private:
    ui_usb_widget_t* usb_widget;
    ui_2port_widget_t* port2_widget;
    ui_6port_widget_t* port6_widget;
    QVBoxLayout* layout;
};
