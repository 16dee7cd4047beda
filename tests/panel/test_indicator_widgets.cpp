#include <QImage>
#include <QPolygonF>
#include <QtMath>
#include <QtTest>

#include "panel/ui_indicator_widgets.h"

namespace {

const QRgb green = qRgb(0, 255, 0);
const QRgb blue = qRgb(0, 90, 255);

QImage transparent(QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// The widget alone on a transparent image: only what its paintEvent draws.
QImage render(QWidget& widget, QSize size = QSize(50, 50)) {
    widget.resize(size);
    QImage image = transparent(size);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Pixels that are not fully transparent; fails when one is not the figure's colour.
QList<QPoint> painted(const QImage& image, QRgb colour, bool& one_colour) {
    QList<QPoint> pixels;
    one_colour = true;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0) {
                continue;
            }
            one_colour = one_colour && pixel == (colour | 0xff000000u);
            pixels << QPoint(x, y);
        }
    }
    return pixels;
}

QRect bounds(const QList<QPoint>& pixels) {
    QRect box;
    for (const QPoint& p : pixels) {
        box |= QRect(p, QSize(1, 1));
    }
    return box;
}

qreal distance(QPointF a, QPointF b) {
    return qSqrt(QPointF::dotProduct(a - b, a - b));
}

qreal distance_to_segment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const qreal t = qBound(0.0, QPointF::dotProduct(p - a, ab) / QPointF::dotProduct(ab, ab), 1.0);
    return distance(p, a + ab * t);
}

qreal distance_to_quad(QPointF p, const QPolygonF& quad) {
    if (quad.containsPoint(p, Qt::OddEvenFill)) {
        return 0;
    }
    qreal nearest = 1e9;
    for (int i = 0; i < 4; ++i) {
        nearest = qMin(nearest, distance_to_segment(p, quad[i], quad[(i + 1) % 4]));
    }
    return nearest;
}

template <class T>
bool is_a(QObject* object) {
    return qobject_cast<T*>(object) != nullptr;
}

}  // namespace

class test_indicator_widgets : public QObject {
    Q_OBJECT
private slots:
    void plain_frames_that_fill_no_background() {
        QWidget parent;
        const QList<QFrame*> widgets = {
            new ui_led_widget_t(&parent), new ui_rect1_widget_t(&parent),
            new ui_rect2_widget_t(&parent), new ui_rect3_widget_t(&parent),
            new ui_rect4_widget_t(&parent)};
        const QStringList names = {"ui_led_widget_t", "ui_rect1_widget_t", "ui_rect2_widget_t",
                                   "ui_rect3_widget_t", "ui_rect4_widget_t"};
        const QList<bool (*)(QObject*)> casts = {&is_a<ui_led_widget_t>, &is_a<ui_rect1_widget_t>,
                                                 &is_a<ui_rect2_widget_t>, &is_a<ui_rect3_widget_t>,
                                                 &is_a<ui_rect4_widget_t>};
        QCOMPARE(ui_figure_widget_t::staticMetaObject.superClass(), &QFrame::staticMetaObject);
        for (int i = 0; i < widgets.size(); ++i) {
            QCOMPARE(widgets[i]->metaObject()->className(), qPrintable(names[i]));
            for (int kind = 0; kind < casts.size(); ++kind) {
                QCOMPARE(casts[kind](widgets[i]), kind == i);
            }
            QCOMPARE(widgets[i]->metaObject()->superClass(), &ui_figure_widget_t::staticMetaObject);
            QCOMPARE(widgets[i]->frameShape(), QFrame::NoFrame);
            QVERIFY(!widgets[i]->autoFillBackground());
            QCOMPARE(widgets[i]->parentWidget(), &parent);
        }
    }

    void lamp_is_a_green_disc_centred_near_27_and_nothing_else() {
        ui_led_widget_t lamp(nullptr);
        bool one_colour = false;
        const QList<QPoint> pixels = painted(render(lamp), green, one_colour);
        QVERIFY2(one_colour, "lamp pixels other than opaque #00ff00 (antialiased?)");
        QCOMPARE(bounds(pixels), QRect(20, 20, 16, 16));
        // A disc: about pi * 8 * 8 pixels, every one within 8.5 of the centre (28, 28).
        QVERIFY2(pixels.size() > 180 && pixels.size() < 230,
                 qPrintable(QString::number(pixels.size())));
        for (const QPoint& p : pixels) {
            QVERIFY(distance(QPointF(p) + QPointF(0.5, 0.5), QPointF(28, 28)) <= 8.75);
        }
        for (QPoint inside : {QPoint(27, 27), QPoint(28, 28), QPoint(21, 27), QPoint(27, 34)}) {
            QVERIFY(pixels.contains(inside));
        }
    }

    void level_bars_fill_their_rectangle_plus_the_outline() {
        ui_rect1_widget_t rect1(nullptr);
        ui_rect4_widget_t rect4(nullptr);
        const struct {
            QWidget* widget;
            QRect covered;
        } bars[] = {{&rect1, QRect(0, 0, 21, 6)}, {&rect4, QRect(0, 0, 16, 6)}};
        for (const auto& bar : bars) {
            bool one_colour = false;
            const QList<QPoint> pixels = painted(render(*bar.widget), blue, one_colour);
            QVERIFY(one_colour);
            QCOMPARE(bounds(pixels), bar.covered);
            QCOMPARE(pixels.size(), bar.covered.width() * bar.covered.height());
        }
    }

    void turned_bars_lie_on_their_stated_corners_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QPolygonF>("corners");
        QTest::newRow("rect2, 60 degrees")
            << 2 << QPolygonF({{5.00, 8.66}, {15.00, 25.98}, {10.67, 28.48}, {0.67, 11.16}});
        QTest::newRow("rect3, 30 degrees")
            << 3 << QPolygonF({{17.32, 10.00}, {21.65, 12.50}, {11.65, 29.82}, {7.32, 27.32}});
    }

    void turned_bars_lie_on_their_stated_corners() {
        QFETCH(int, kind);
        QFETCH(QPolygonF, corners);
        std::unique_ptr<QWidget> bar;
        if (kind == 2) {
            bar.reset(new ui_rect2_widget_t(nullptr));
        } else {
            bar.reset(new ui_rect3_widget_t(nullptr));
        }
        bool one_colour = false;
        const QList<QPoint> pixels = painted(render(*bar), blue, one_colour);
        QVERIFY2(one_colour, "bar pixels other than opaque rgb(0, 90, 255) (antialiased?)");
        // Every painted pixel lies on the turned bar, give or take the outline.
        for (const QPoint& p : pixels) {
            const QPointF centre = QPointF(p) + QPointF(0.5, 0.5);
            QVERIFY2(distance_to_quad(centre, corners) <= 1.0,
                     qPrintable(QString("stray pixel %1,%2").arg(p.x()).arg(p.y())));
        }
        // And each corner has a painted pixel within a pixel of it.
        for (const QPointF& corner : corners) {
            qreal nearest = 1e9;
            for (const QPoint& p : pixels) {
                nearest = qMin(nearest, distance(QPointF(p) + QPointF(0.5, 0.5), corner));
            }
            QVERIFY2(nearest <= 1.0, qPrintable(QString("corner %1,%2 missed by %3")
                                                    .arg(corner.x())
                                                    .arg(corner.y())
                                                    .arg(nearest)));
        }
    }

    void a_turned_bar_does_not_depend_on_the_widget_size() {
        ui_rect2_widget_t rect2(nullptr);
        ui_rect3_widget_t rect3(nullptr);
        for (QWidget* bar : {static_cast<QWidget*>(&rect2), static_cast<QWidget*>(&rect3)}) {
            const QImage small = render(*bar);
            const QImage large = render(*bar, QSize(90, 70));
            QCOMPARE(large.copy(0, 0, 50, 50), small);
            QCOMPARE(large.copy(50, 0, 40, 70), transparent(QSize(40, 70)));
            QCOMPARE(large.copy(0, 50, 50, 20), transparent(QSize(50, 20)));
        }
    }
};

QTEST_MAIN(test_indicator_widgets)
#include "test_indicator_widgets.moc"
