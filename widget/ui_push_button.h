#pragma once

#include <QPushButton>

// Push button of the program's look: one row high unless the caller sizes it.
class ui_push_button_t : public QPushButton {
    Q_OBJECT
public:
    explicit ui_push_button_t(QWidget* parent = nullptr);
    explicit ui_push_button_t(const QString& text, QWidget* parent = nullptr);
    ui_push_button_t(const QIcon& icon, const QString& text, QWidget* parent = nullptr);
};
