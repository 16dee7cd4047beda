#pragma once

#include <QPoint>
#include <QVector>

class QFrame;
class QWidget;
class switch_panel_t;
struct switch_model_t;

// Where one position of a switch shows on the picture: its button, and the
// lamp and bar that light its path. A position without a path has no bar and
// no lamp.
struct position_place_t {
    static constexpr int no_bar = -1;

    QPoint button;
    QPoint lamp;
    // Which of the switch's bars draws the path.
    int bar;
    QPoint bar_at;
};

// A bar every switch of the model has, and the position at whose place it
// waits before the first path.
struct bar_kind_t {
    QWidget* (*make)(QWidget* parent);
    int home;
};

template <class figure>
QWidget* make_figure(QWidget* parent) {
    return new figure(parent);
}

// One model's picture: the bars of each switch in stacking order, and each
// switch's places in position order.
struct panel_geometry_t {
    QVector<bar_kind_t> bars;
    int lamp_home;
    // Lamps and bars show at their waiting places until a unit has told.
    bool lit_at_start;
    QVector<QVector<position_place_t>> switches;
};

// Lays a model's buttons, lamps and bars over its picture, then moves a
// switch's lamp and bar to where the unit says it stands.
class panel_builder_t {
public:
    // Bars go at the bottom, buttons over them and lamps on top. Each button
    // calls the item's slot named for it, e.g. buttonA1_click_slot().
    panel_builder_t(QFrame* item, const switch_model_t& model, const panel_geometry_t& geometry,
                    switch_panel_t& panel);

    void place(char sw, int position);
    // Code 1, 2, ... counts the positions of all switches in order; other
    // codes show nothing.
    void show_path(int code);

private:
    struct indicators_t {
        QWidget* lamp;
        QVector<QWidget*> bars;
    };

    const switch_model_t& model;
    const panel_geometry_t& geometry;
    QVector<indicators_t> switches;
};
