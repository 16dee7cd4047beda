#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmapCache>
#include <QScreen>
#include <QVBoxLayout>
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "panel/panel_picture_preload.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_6port_widget.h"
#include "panel/ui_indicator_widgets.h"
#include "tests/panel/panel_test_kit.h"

// The pictures must line up with the widgets the panels lay over them: every
// radio indicator on a connector, every lamp disc in a hole. The places are
// taken from the panels themselves, the picture stretched over the item as the
// border-image rule does.
namespace {

QImage stretched(const QString& resource) {
    return QImage(resource).scaled(643, 260, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool gold(QRgb c) {
    return qRed(c) > 150 && qRed(c) - qBlue(c) > 60;
}
bool insulator(QRgb c) {
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 180;
}
bool hole(QRgb c) {
    return qMax(qRed(c), qMax(qGreen(c), qBlue(c))) < 0x30;
}
bool bezel(QRgb c) {
    return qGray(c) > 0x50;
}

// A jack centred on the continuous point centre: gold pin in the middle, the
// white insulator all round it.
QString check_connector(const QImage& picture, QPoint centre) {
    for (QPoint pixel :
         {centre + QPoint(-1, -1), centre + QPoint(0, -1), centre + QPoint(-1, 0), centre}) {
        if (!gold(picture.pixel(pixel))) {
            return QString("no pin at %1,%2").arg(centre.x()).arg(centre.y());
        }
    }
    for (QPoint offset : {QPoint(4, 0), QPoint(-5, 0), QPoint(0, 4), QPoint(0, -5)}) {
        if (!insulator(picture.pixel(centre + offset))) {
            return QString("pin at %1,%2 off centre").arg(centre.x()).arg(centre.y());
        }
    }
    return QString();
}

// A lamp widget at corner paints pixels corner + 20..35: the hole must show
// just outside them and the bezel a little further out.
QString check_lamp_hole(const QImage& picture, QPoint corner) {
    for (int along : {27, 28}) {
        for (int across : {19, 36}) {
            if (!hole(picture.pixel(corner + QPoint(across, along))) ||
                !hole(picture.pixel(corner + QPoint(along, across)))) {
                return QString("no hole around the lamp at %1,%2").arg(corner.x()).arg(corner.y());
            }
        }
        for (int across : {17, 38}) {
            if (!bezel(picture.pixel(corner + QPoint(across, along))) ||
                !bezel(picture.pixel(corner + QPoint(along, across)))) {
                return QString("no bezel round the lamp at %1,%2").arg(corner.x()).arg(corner.y());
            }
        }
    }
    return QString();
}

QPoint indicator_centre(QRadioButton* button) {
    return button->geometry().topLeft() + QPoint(20, 25);
}

}  // namespace

class test_panel_pictures : public QObject {
    Q_OBJECT
private slots:
    void pictures_have_their_sizes() {
        QCOMPARE(QImage(":/image/KVT0402Q.png").size(), QSize(2689, 1085));
        QCOMPARE(QImage(":/image/KVT0206Q.png").size(), QSize(2607, 1051));
    }

    void two_port_connectors_and_lamp_holes_line_up() {
        const QImage picture = stretched(":/image/KVT0402Q.png");
        ui_2port_widget_t frame(nullptr);
        auto* item = frame.findChild<ui_2port_widget_item_t*>();
        const QList<QRadioButton*> buttons = children_of<QRadioButton>(item);
        QList<QPoint> lamps;
        for (ui_led_widget_t* led : children_of<ui_led_widget_t>(item)) {
            lamps << led->pos();
        }
        for (QRadioButton* button : buttons) {
            QCOMPARE(check_connector(picture, indicator_centre(button)), QString());
            button->click();  // no link: only moves the indicators
        }
        for (ui_led_widget_t* led : children_of<ui_led_widget_t>(item)) {
            lamps << led->pos();
        }
        // The common connector of each strip lies midway.
        for (int i = 0; i < buttons.size(); i += 2) {
            const QPoint com =
                (indicator_centre(buttons[i]) + indicator_centre(buttons[i + 1])) / 2;
            QCOMPARE(check_connector(picture, com), QString());
        }
        QCOMPARE(lamps.size(), 8);
        for (QPoint lamp : lamps) {
            QCOMPARE(check_lamp_hole(picture, lamp), QString());
        }
    }

    void six_port_connectors_and_lamp_holes_line_up() {
        const QImage picture = stretched(":/image/KVT0206Q.png");
        ui_6port_widget_t frame(nullptr);
        auto* item = frame.findChild<ui_6port_widget_item_t*>();
        for (QRadioButton* button : children_of<QRadioButton>(item)) {
            QCOMPARE(check_connector(picture, indicator_centre(button)), QString());
        }
        const QList<ui_led_widget_t*> leds = children_of<ui_led_widget_t>(item);
        for (int code = 1; code <= 14; ++code) {
            if (code == 1 || code == 8) {
                continue;  // position 0 has no lamp
            }
            item->show_path(code);
            QCOMPARE(check_lamp_hole(picture, leds[code <= 7 ? 0 : 1]->pos()), QString());
        }
    }

    // A preloaded picture must land where QPixmap::load, and so the
    // border-image rule, looks first; without a preload nothing is filed.
    void preloaded_picture_is_what_a_load_finds() {
        QPixmapCache::setCacheLimit(64 * 1024);  // room for both, as building the panels makes
        for (const QString picture : {":/image/KVT0402Q.png", ":/image/KVT0206Q.png"}) {
            QPixmapCache::clear();
            hand_over_preloaded_picture(picture);
            QPixmap filed;
            QVERIFY(!QPixmapCache::find(pixmap_load_key(picture), &filed));

            preload_panel_picture(picture);
            hand_over_preloaded_picture(picture);
            QVERIFY2(QPixmapCache::find(pixmap_load_key(picture), &filed), qPrintable(picture));
            QCOMPARE(QPixmap(picture).cacheKey(), filed.cacheKey());
            // The copy for this screen, not the full picture.
            const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
            const QSize copy = QImageReader(screen_sized_copy(picture, ratio)).size();
            QCOMPARE(filed.size(), copy);
        }
    }

    // Each screen gets a copy that covers the item at its pixel ratio, and
    // none is as large as the full picture.
    void screen_sized_copies_are_sharp_and_small() {
        for (const QString picture : {":/image/KVT0402Q.png", ":/image/KVT0206Q.png"}) {
            for (qreal ratio : {0.5, 1.0, 1.25, 2.0}) {
                const QSize copy = QImageReader(screen_sized_copy(picture, ratio)).size();
                const QSize needed = panel_item_size * std::max(1.0, std::ceil(ratio));
                QVERIFY2(copy.width() >= needed.width() && copy.height() >= needed.height(),
                         qPrintable(QString("%1 at %2").arg(picture).arg(ratio)));
                QVERIFY(copy.width() < QImageReader(picture).size().width() / 2);
            }
        }
    }

    // Building a picture rule decodes the picture, so a panel hidden at
    // start-up builds it only when first shown, and then draws it.
    void hidden_panel_draws_its_picture_once_shown() {
        preload_panel_picture(two_port_picture);  // as the program does
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* two_port = new ui_2port_widget_t(&window);
        auto* six_port = new ui_6port_widget_t(&window);
        layout->addWidget(two_port);
        layout->addWidget(six_port);
        six_port->hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* shown_item = two_port->findChild<ui_2port_widget_item_t*>();
        auto* hidden_item = six_port->findChild<ui_6port_widget_item_t*>();
        QVERIFY(shown_item->testAttribute(Qt::WA_WState_Polished));
        QVERIFY(!hidden_item->testAttribute(Qt::WA_WState_Polished));
        const QImage shown = shown_item->grab().toImage();
        for (ui_led_widget_t* led : children_of<ui_led_widget_t>(shown_item)) {
            QCOMPARE(check_lamp_hole(shown, led->pos()), QString());
        }

        two_port->hide();
        six_port->show();
        QVERIFY(hidden_item->testAttribute(Qt::WA_WState_Polished));
        // Its lamps are hidden until a path is shown, so the holes show as drawn.
        const QImage drawn = hidden_item->grab().toImage();
        for (ui_led_widget_t* led : children_of<ui_led_widget_t>(hidden_item)) {
            QCOMPARE(check_lamp_hole(drawn, led->pos()), QString());
        }
    }
};

QTEST_MAIN(test_panel_pictures)
#include "test_panel_pictures.moc"
