#pragma once

#include <QLineEdit>

class QAction;

// Line edit of the program's look with an optional clear button that shows
// only while the edit has the keyboard focus.
class ui_line_edit_t : public QLineEdit {
    Q_OBJECT
public:
    explicit ui_line_edit_t(QWidget* parent = nullptr);
    explicit ui_line_edit_t(const QString& text, QWidget* parent = nullptr);

    void set_clear_enabled(bool on);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_clear_enabled = false;
    QAction* m_clear_action = nullptr;
};
