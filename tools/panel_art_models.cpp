#include "tools/panel_art_models.h"

#include <QtMath>

#include "tools/panel_art_kit.h"

// Every position below is where the panel's widgets land on the item: a radio
// indicator covers its button's pixels 0..39 x 5..44, so its centre is the
// corner + (20, 25); a lamp disc covers pixels 20..35, centre the corner + 28.
namespace {

constexpr qreal lamp_centre = 28;
constexpr qreal label_size = 9;
constexpr qreal small_size = 7;

void draw_model_name(QPainter& painter, const QString& name) {
    draw_label(painter, QPointF(52, 12), name, small_size);
}

// Switches of the two-port model: the three connectors of the upper strips
// lie at y = 84, of the lower strips at y = 179.
void draw_2port(QPainter& painter) {
    struct strip_t {
        QString letter;
        qreal x[3];  // position 1, COM, position 2
        qreal y;
        bool letter_left;
        bool labels_below;
    };
    const strip_t strips[] = {
        {"A", {130, 178, 225}, 84, true, true},
        {"B", {418, 466, 513}, 84, false, true},
        {"C", {130, 178, 225}, 179, true, false},
        {"D", {418, 466, 513}, 179, false, false},
    };
    const QString names[] = {"1", "COM", "2"};
    for (const strip_t& strip : strips) {
        draw_strip(painter, QRectF(QPointF(strip.x[0] - 26, strip.y - 22),
                                   QPointF(strip.x[2] + 26, strip.y + 22)));
        for (int i = 0; i < 3; ++i) {
            const QPointF centre(strip.x[i], strip.y);
            draw_connector(painter, centre);
            if (strip.labels_below) {
                draw_label(painter, centre + QPointF(0, 32), names[i], label_size);
            }
        }
        const qreal letter_x = strip.letter_left ? strip.x[0] - 42 : strip.x[2] + 42;
        draw_label(painter, QPointF(letter_x, strip.y), strip.letter, 14);
    }

    // Lamp holes: A and C in the left column, B and D in the right, rows 1 and 2.
    const qreal columns[] = {258 + lamp_centre, 330 + lamp_centre};
    const qreal rows[] = {35 + lamp_centre, 60 + lamp_centre, 145 + lamp_centre, 170 + lamp_centre};
    const QString column_names[2][2] = {{"A", "B"}, {"C", "D"}};
    for (int group = 0; group < 2; ++group) {
        for (int column = 0; column < 2; ++column) {
            draw_label(painter, QPointF(columns[column], rows[2 * group] - 18),
                       column_names[group][column], label_size);
        }
    }
    for (int row = 0; row < 4; ++row) {
        for (qreal x : columns) {
            draw_lamp_hole(painter, QPointF(x, rows[row]));
        }
        draw_label(painter, QPointF((columns[0] + columns[1]) / 2, rows[row]),
                   row % 2 == 0 ? "1" : "2", label_size);
    }
    draw_model_name(painter, "KVT0402Q");
}

// Outer connectors of a six-way switch, relative to its common connector, in
// the order 1 upper left, 2 upper right, 3 right, 4 lower right, 5 lower left, 6 left.
const QPointF six_way[6] = {{-29, -50}, {28, -50}, {57, 0}, {28, 50}, {-29, 50}, {-58, 0}};

void draw_legend(QPainter& painter, QPointF centre) {
    painter.setPen(QPen(QColor(0xf4, 0xf5, 0xf6), 0.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 2, 2);
    for (int i = 0; i < 6; ++i) {
        const QPointF spoke = six_way[i] / 57.5;
        painter.drawLine(centre + spoke * 3.5, centre + spoke * 8);
        draw_label(painter, centre + spoke * 13, QString::number(i + 1), small_size);
    }
}

void draw_6port(QPainter& painter) {
    const QPointF commons[] = {{167, 129}, {477, 129}};
    const QString letters[] = {"A", "B"};
    for (int sw = 0; sw < 2; ++sw) {
        draw_field(painter, commons[sw], 83);
        draw_connector(painter, commons[sw]);
        for (const QPointF& offset : six_way) {
            draw_connector(painter, commons[sw] + offset);
        }
        const qreal outward = sw == 0 ? -1 : 1;
        draw_label(painter, commons[sw] + QPointF(outward * 90, -88), letters[sw], 14);
    }
    draw_legend(painter, QPointF(40, 214));
    draw_legend(painter, QPointF(603, 214));

    const qreal columns[] = {258 + lamp_centre, 330 + lamp_centre};
    const qreal rows[] = {35, 60, 85, 115, 140, 170};
    for (int column = 0; column < 2; ++column) {
        draw_label(painter, QPointF(columns[column], rows[0] + lamp_centre - 18), letters[column],
                   label_size);
    }
    for (int row = 0; row < 6; ++row) {
        const qreal y = rows[row] + lamp_centre;
        for (qreal x : columns) {
            draw_lamp_hole(painter, QPointF(x, y));
        }
        draw_label(painter, QPointF((columns[0] + columns[1]) / 2, y), QString::number(row + 1),
                   label_size);
    }
    draw_model_name(painter, "KVT0206Q");
}

}  // namespace

QImage draw_kvt0402q() {
    return render_panel(QSize(2689, 1085), draw_2port);
}

QImage draw_kvt0206q() {
    return render_panel(QSize(2607, 1051), draw_6port);
}
