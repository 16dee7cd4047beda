#pragma once

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>

// Parts of the front-panel pictures. Everything is drawn in the panel item's
// coordinates (item_size); the picture is stretched over the item, so a point
// drawn here lands on the same point of the item.
constexpr QSize item_size(643, 260);

// A plate of item_size scaled to image_size with parts drawn on it by draw.
QImage render_panel(QSize image_size, const std::function<void(QPainter&)>& draw);

void draw_strip(QPainter& painter, const QRectF& rect);
void draw_field(QPainter& painter, QPointF centre, qreal radius);
void draw_connector(QPainter& painter, QPointF centre);
void draw_lamp_hole(QPainter& painter, QPointF centre);

enum class ink_t { white, dark };
void draw_label(QPainter& painter, QPointF centre, const QString& text, qreal pixel_size,
                ink_t ink = ink_t::white);
