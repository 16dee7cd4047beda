#pragma once

#include <QRadioButton>

// Radio button drawn with the style sheet's indicator images.
class ui_radio_button_t : public QRadioButton {
    Q_OBJECT
public:
    explicit ui_radio_button_t(const QString& text, QWidget* parent = nullptr);
};
