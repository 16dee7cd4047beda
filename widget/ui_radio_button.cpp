#include "widget/ui_radio_button.h"

ui_radio_button_t::ui_radio_button_t(const QString& text, QWidget* parent)
    : QRadioButton(text, parent) {}
