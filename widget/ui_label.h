#pragma once

#include <QLabel>

// Label that can elide its text and shrink its font to fit its width; the
// full text is offered as tool tip whenever the shown one is shortened.
class ui_label_t : public QLabel {
    Q_OBJECT
public:
    explicit ui_label_t(QWidget* parent = nullptr);
    explicit ui_label_t(const QString& text, QWidget* parent = nullptr);

    // Use instead of QLabel::setText, which would bypass eliding and fitting.
    void set_text(const QString& text);
    void set_elide(bool on);
    void set_auto_fit(bool on);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fit_font();

    QString m_text;
    bool m_elide = false;
    bool m_auto_fit = false;
    int m_pixel_size = 13;
};
