#include "app/ui_central_widget.h"

ui_central_widget_t::ui_central_widget_t(QWidget* parent) : QFrame(parent, Qt::WindowFlags()) {}

void ui_central_widget_t::onReceiveMsg(QString msg) {
    emit sendShowMsg(msg);
}
