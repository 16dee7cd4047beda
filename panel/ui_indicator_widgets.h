#pragma once

#include <QFrame>

// Path indicators painted over the panel pictures: one fixed figure each, no
// state; the panels move, show and hide them.

class ui_led_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_led_widget_t(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ui_rect1_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_rect1_widget_t(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ui_rect2_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_rect2_widget_t(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ui_rect3_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_rect3_widget_t(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ui_rect4_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_rect4_widget_t(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};
