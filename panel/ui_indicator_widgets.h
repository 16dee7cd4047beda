#pragma once

#include <QFrame>

// Path indicators painted over the panel pictures: one fixed figure each, no
// state; the panels move, show and hide them.

struct figure_t;

class ui_figure_widget_t : public QFrame {
    Q_OBJECT
public:
    ui_figure_widget_t(QWidget* parent, const figure_t& figure);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const figure_t& figure;
};

// Each figure keeps a class of its own, so that a panel's lamps and bars can
// be told apart by type.

class ui_led_widget_t : public ui_figure_widget_t {
    Q_OBJECT
public:
    explicit ui_led_widget_t(QWidget* parent);
};

class ui_rect1_widget_t : public ui_figure_widget_t {
    Q_OBJECT
public:
    explicit ui_rect1_widget_t(QWidget* parent);
};

class ui_rect2_widget_t : public ui_figure_widget_t {
    Q_OBJECT
public:
    explicit ui_rect2_widget_t(QWidget* parent);
};

class ui_rect3_widget_t : public ui_figure_widget_t {
    Q_OBJECT
public:
    explicit ui_rect3_widget_t(QWidget* parent);
};

class ui_rect4_widget_t : public ui_figure_widget_t {
    Q_OBJECT
public:
    explicit ui_rect4_widget_t(QWidget* parent);
};
