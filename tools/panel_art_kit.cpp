#include "tools/panel_art_kit.h"

#include <QLinearGradient>
#include <QPolygonF>
#include <QRadialGradient>
#include <QtMath>

namespace {

const QColor plate_top(0x4a, 0x4d, 0x53);
const QColor plate_bottom(0x3a, 0x3c, 0x41);
const QColor bevel_light(0x6a, 0x6e, 0x75);
const QColor bevel_dark(0x22, 0x23, 0x26);
const QColor strip_face(0xc9, 0xcc, 0xd1);
const QColor strip_edge(0x8c, 0x90, 0x97);
const QColor metal_light(0xe6, 0xe8, 0xeb);
const QColor metal_dark(0x86, 0x8a, 0x91);
const QColor metal_edge(0x5d, 0x61, 0x67);
const QColor bore(0x2c, 0x2e, 0x32);
const QColor dielectric(0xf0, 0xee, 0xe4);
const QColor gold_light(0xf6, 0xd7, 0x7a);
const QColor gold_dark(0xb0, 0x82, 0x25);
const QColor hole(0x12, 0x13, 0x15);
const QColor white_ink(0xf4, 0xf5, 0xf6);
const QColor dark_ink(0x2a, 0x2c, 0x30);

QPen hairline(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QLinearGradient diagonal(QPointF centre, qreal radius, const QColor& light, const QColor& dark) {
    QLinearGradient gradient(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
    gradient.setColorAt(0, light);
    gradient.setColorAt(1, dark);
    return gradient;
}

void draw_plate(QPainter& painter) {
    const QRectF plate(QPointF(0, 0), QSizeF(item_size));
    QLinearGradient face(plate.topLeft(), plate.bottomLeft());
    face.setColorAt(0, plate_top);
    face.setColorAt(1, plate_bottom);
    painter.fillRect(plate, face);
    // Raised edge: lit from the upper left.
    const qreal edge = 1.2;
    painter.setPen(hairline(bevel_light, edge));
    painter.drawLine(QPointF(edge / 2, plate.bottom() - edge), QPointF(edge / 2, edge / 2));
    painter.drawLine(QPointF(edge / 2, edge / 2), QPointF(plate.right() - edge, edge / 2));
    painter.setPen(hairline(bevel_dark, edge));
    painter.drawLine(QPointF(plate.right() - edge / 2, edge),
                     QPointF(plate.right() - edge / 2, plate.bottom() - edge / 2));
    painter.drawLine(QPointF(edge, plate.bottom() - edge / 2),
                     QPointF(plate.right() - edge / 2, plate.bottom() - edge / 2));
}

void draw_screw(QPainter& painter, QPointF centre) {
    const qreal radius = 5;
    painter.setPen(hairline(bevel_dark, 0.5));
    painter.setBrush(diagonal(centre, radius, metal_light, metal_dark));
    painter.drawEllipse(centre, radius, radius);
    // Hexagon socket.
    QPolygonF socket;
    for (int i = 0; i < 6; ++i) {
        const qreal angle = qDegreesToRadians(60.0 * i);
        socket << centre + QPointF(qCos(angle), qSin(angle)) * 2.2;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(bore);
    painter.drawPolygon(socket);
}

void draw_screws(QPainter& painter) {
    const qreal inset = 11;
    const qreal right = item_size.width() - inset;
    const qreal bottom = item_size.height() - inset;
    for (QPointF at : {QPointF(inset, inset), QPointF(right, inset), QPointF(inset, bottom),
                       QPointF(right, bottom)}) {
        draw_screw(painter, at);
    }
}

}  // namespace

QImage render_panel(QSize image_size, const std::function<void(QPainter&)>& draw) {
    QImage image(image_size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(qreal(image_size.width()) / item_size.width(),
                  qreal(image_size.height()) / item_size.height());
    draw_plate(painter);
    draw_screws(painter);
    draw(painter);
    painter.end();
    return image;
}

void draw_strip(QPainter& painter, const QRectF& rect) {
    painter.setPen(hairline(strip_edge, 0.8));
    painter.setBrush(strip_face);
    painter.drawRoundedRect(rect, 4, 4);
}

void draw_field(QPainter& painter, QPointF centre, qreal radius) {
    painter.setPen(hairline(strip_edge, 0.8));
    painter.setBrush(strip_face);
    painter.drawEllipse(centre, radius, radius);
}

// A panel-mount coaxial jack seen from the front: nut, barrel, insulator, pin.
void draw_connector(QPainter& painter, QPointF centre) {
    const qreal nut = 16;
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i) {
        const qreal angle = qDegreesToRadians(30.0 + 60.0 * i);
        hexagon << centre + QPointF(qCos(angle), qSin(angle)) * nut;
    }
    painter.setPen(hairline(metal_edge, 0.6));
    painter.setBrush(diagonal(centre, nut, metal_light, metal_dark));
    painter.drawPolygon(hexagon);

    const qreal barrel = 11.5;
    painter.setBrush(diagonal(centre, barrel, metal_dark, metal_light));
    painter.drawEllipse(centre, barrel, barrel);

    painter.setPen(Qt::NoPen);
    painter.setBrush(bore);
    painter.drawEllipse(centre, 8.5, 8.5);
    painter.setBrush(dielectric);
    painter.drawEllipse(centre, 6, 6);

    const qreal pin = 2.2;
    QRadialGradient shine(centre - QPointF(0.7, 0.7), pin * 1.6);
    shine.setColorAt(0, gold_light);
    shine.setColorAt(1, gold_dark);
    painter.setBrush(shine);
    painter.drawEllipse(centre, pin, pin);
}

// A bezel ring around a dark hole a little wider than the lamp disc.
void draw_lamp_hole(QPainter& painter, QPointF centre) {
    painter.setPen(hairline(metal_edge, 0.6));
    painter.setBrush(diagonal(centre, 11, metal_light, metal_dark));
    painter.drawEllipse(centre, 11, 11);
    painter.setPen(Qt::NoPen);
    painter.setBrush(hole);
    painter.drawEllipse(centre, 9.5, 9.5);
}

void draw_label(QPainter& painter, QPointF centre, const QString& text, qreal pixel_size,
                ink_t ink) {
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(qRound(pixel_size));
    painter.setFont(font);
    painter.setPen(ink == ink_t::white ? white_ink : dark_ink);
    const QRectF box(centre - QPointF(60, 20), QSizeF(120, 40));
    painter.drawText(box, Qt::AlignCenter, text);
}
