#include "widget/ui_line_edit.h"

#include <QAction>
#include <QIcon>

#include "widget/ui_row_height.h"

ui_line_edit_t::ui_line_edit_t(QWidget* parent) : QLineEdit(parent) {
    setFixedHeight(ui_row_height);
}

ui_line_edit_t::ui_line_edit_t(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    setFixedHeight(ui_row_height);
}

void ui_line_edit_t::set_clear_enabled(bool on) {
    if (on == m_clear_enabled) {
        return;
    }
    if (on) {
        m_clear_action = new QAction(QIcon(":/image/widget/line_edit/clear.svg"), QString(), this);
        addAction(m_clear_action, QLineEdit::TrailingPosition);
        connect(m_clear_action, &QAction::triggered, this, &QLineEdit::clear);
        m_clear_action->setVisible(false);
    } else {
        removeAction(m_clear_action);
        m_clear_action->deleteLater();
        m_clear_action = nullptr;
    }
    m_clear_enabled = on;
}

void ui_line_edit_t::focusInEvent(QFocusEvent* event) {
    if (m_clear_enabled) {
        m_clear_action->setVisible(true);
    }
    QLineEdit::focusInEvent(event);
}

void ui_line_edit_t::focusOutEvent(QFocusEvent* event) {
    if (m_clear_enabled) {
        m_clear_action->setVisible(false);
    }
    QLineEdit::focusOutEvent(event);
}
