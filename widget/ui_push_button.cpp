#include "widget/ui_push_button.h"

#include "widget/ui_row_height.h"

ui_push_button_t::ui_push_button_t(QWidget* parent) : QPushButton(parent) {
    setFixedHeight(ui_row_height);
}

ui_push_button_t::ui_push_button_t(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {
    setFixedHeight(ui_row_height);
}

ui_push_button_t::ui_push_button_t(const QIcon& icon, const QString& text, QWidget* parent)
    : QPushButton(icon, text, parent) {
    setFixedHeight(ui_row_height);
}
