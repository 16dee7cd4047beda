#include "panel/ui_indicator_widgets.h"

#include <QPainter>
#include <QPen>
#include <QTransform>

struct figure_t {
    QRgb colour;
    qreal angle;  // degrees, clockwise about the widget's origin; 0 = no transform
    bool ellipse;
    QRect rect;
};

namespace {

constexpr QRgb lamp_green = qRgb(0, 255, 0);
constexpr QRgb bar_blue = qRgb(0, 90, 255);

constexpr figure_t led_figure{lamp_green, 0, true, QRect(20, 20, 15, 15)};
constexpr figure_t rect1_figure{bar_blue, 0, false, QRect(0, 0, 20, 5)};
constexpr figure_t rect2_figure{bar_blue, 60, false, QRect(10, 0, 20, 5)};
constexpr figure_t rect3_figure{bar_blue, 30, false, QRect(20, 0, 5, 20)};
constexpr figure_t rect4_figure{bar_blue, 0, false, QRect(0, 0, 15, 5)};

}  // namespace

ui_figure_widget_t::ui_figure_widget_t(QWidget* parent, const figure_t& figure)
    : QFrame(parent, Qt::WindowFlags()), figure(figure) {}

void ui_figure_widget_t::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (figure.angle != 0) {
        QTransform transform;
        transform.rotate(figure.angle, Qt::ZAxis);
        painter.setTransform(transform, false);
    }
    const QColor colour(figure.colour);
    painter.setPen(
        QPen(QBrush(colour, Qt::SolidPattern), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(QBrush(colour, Qt::SolidPattern));
    if (figure.ellipse) {
        painter.drawEllipse(figure.rect);
    } else {
        painter.drawRect(figure.rect);
    }
}

ui_led_widget_t::ui_led_widget_t(QWidget* parent) : ui_figure_widget_t(parent, led_figure) {}
ui_rect1_widget_t::ui_rect1_widget_t(QWidget* parent) : ui_figure_widget_t(parent, rect1_figure) {}
ui_rect2_widget_t::ui_rect2_widget_t(QWidget* parent) : ui_figure_widget_t(parent, rect2_figure) {}
ui_rect3_widget_t::ui_rect3_widget_t(QWidget* parent) : ui_figure_widget_t(parent, rect3_figure) {}
ui_rect4_widget_t::ui_rect4_widget_t(QWidget* parent) : ui_figure_widget_t(parent, rect4_figure) {}
