#include "widget/ui_label.h"

#include <QFontMetrics>
#include <QTextDocument>

#include "widget/ui_row_height.h"

ui_label_t::ui_label_t(QWidget* parent) : ui_label_t(QString(""), parent) {}

ui_label_t::ui_label_t(const QString& text, QWidget* parent)
    : QLabel(text, parent, Qt::WindowFlags()), m_text(text) {
    setFixedHeight(ui_row_height);
    set_text(m_text);
}

void ui_label_t::set_text(const QString& text) {
    m_text = text;
    if (m_auto_fit && !m_text.isEmpty() && isVisible()) {
        fit_font();
    }
    QString shown = m_text;
    if (m_elide && !Qt::mightBeRichText(m_text)) {
        shown = QFontMetrics(font()).elidedText(m_text, Qt::ElideRight, width(), 0);
    }
    setToolTip(shown == m_text ? QString("") : m_text);
    QLabel::setText(shown);
}

void ui_label_t::set_elide(bool on) {
    m_elide = on;
    set_text(m_text);
}

void ui_label_t::set_auto_fit(bool on) {
    m_auto_fit = on;
    set_text(m_text);
}

void ui_label_t::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    set_text(m_text);
}

void ui_label_t::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    set_text(m_text);
}

void ui_label_t::fit_font() {
    QFont fitted = font();
    fitted.setPixelSize(m_pixel_size);
    setFont(fitted);
    while (QFontMetrics(fitted).horizontalAdvance(m_text) > width() && fitted.pixelSize() > 1) {
        fitted.setPixelSize(fitted.pixelSize() - 1);
        setFont(fitted);
    }
}
