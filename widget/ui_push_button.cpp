#include "widget/ui_push_button.h"

namespace {
constexpr int fixed_height = 28;
}

ui_push_button_t::ui_push_button_t(QWidget* parent) : QPushButton(parent) {
    setFixedHeight(fixed_height);
}

ui_push_button_t::ui_push_button_t(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {
    setFixedHeight(fixed_height);
}

ui_push_button_t::ui_push_button_t(const QIcon& icon, const QString& text, QWidget* parent)
    : QPushButton(icon, text, parent) {
    setFixedHeight(fixed_height);
}
