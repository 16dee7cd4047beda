#include <QAbstractItemView>
#include <QAction>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPointer>
#include <QScroller>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <QtTest>

#include "widget/ui_combo_box.h"
#include "widget/ui_combo_widget.h"
#include "widget/ui_label.h"
#include "widget/ui_line_edit.h"
#include "widget/ui_push_button.h"
#include "widget/ui_radio_button.h"
#include "widget/ui_tool_button.h"

namespace {

const QString long_text = "A text far too long for a narrow label to show";
const QChar ellipsis(0x2026);

int advance(const QFont& font, const QString& text) {
    return QFontMetrics(font).horizontalAdvance(text);
}

QIcon solid_icon(Qt::GlobalColor color) {
    QPixmap pixmap(8, 8);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// A shown window, so child geometry changes deliver their resize events at once.
struct shown_window_t {
    QWidget window;
    shown_window_t() {
        window.resize(800, 100);
        window.show();
    }
    bool exposed() { return QTest::qWaitForWindowExposed(&window); }
};

}  // namespace

class test_widget_kit : public QObject {
    Q_OBJECT
private slots:
    void kit_classes_keep_their_names_for_the_style_sheet() {
        QWidget parent;
        QCOMPARE(ui_push_button_t(&parent).metaObject()->className(), "ui_push_button_t");
        QCOMPARE(ui_label_t(&parent).metaObject()->className(), "ui_label_t");
        QCOMPARE(ui_combo_box_t(&parent).metaObject()->className(), "ui_combo_box_t");
        QCOMPARE(ui_combo_widget_t(&parent).metaObject()->className(), "ui_combo_widget_t");
        QCOMPARE(ui_line_edit_t(&parent).metaObject()->className(), "ui_line_edit_t");
        QCOMPARE(ui_tool_button_t(&parent).metaObject()->className(), "ui_tool_button_t");
        QCOMPARE(ui_radio_button_t("r", &parent).metaObject()->className(), "ui_radio_button_t");
    }

    void fixed_height_is_28_and_width_stays_free() {
        const QList<QWidget*> widgets = {
            new ui_push_button_t(nullptr),
            new ui_push_button_t("text", nullptr),
            new ui_push_button_t(solid_icon(Qt::red), "text", nullptr),
            new ui_label_t(nullptr),
            new ui_label_t("text", nullptr),
            new ui_line_edit_t(nullptr),
            new ui_line_edit_t("text", nullptr),
            new ui_combo_box_t(nullptr),
        };
        for (QWidget* widget : widgets) {
            QCOMPARE(widget->minimumHeight(), 28);
            QCOMPARE(widget->maximumHeight(), 28);
            QCOMPARE(widget->minimumWidth(), 0);
            QCOMPARE(widget->maximumWidth(), QWIDGETSIZE_MAX);
        }
        qDeleteAll(widgets);
    }

    void push_button_keeps_a_fixed_size_given_afterwards() {
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* button = new ui_push_button_t("Rescan", &window);
        button->setFixedSize(60, 30);
        layout->addWidget(button);
        window.resize(300, 80);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(button->size(), QSize(60, 30));
    }

    void label_by_default_shows_its_text_unchanged() {
        ui_label_t label(long_text, nullptr);
        label.resize(20, 28);
        QCOMPARE(label.text(), long_text);
        QVERIFY(label.toolTip().isEmpty());
        QCOMPARE(label.font(), QApplication::font());
        label.set_text("other");
        QCOMPARE(label.text(), QString("other"));
    }

    void label_elides_and_shows_full_text_again_when_widened() {
        shown_window_t shown;
        auto* label = new ui_label_t(&shown.window);
        label->setGeometry(0, 0, 80, 28);
        label->show();
        QVERIFY(shown.exposed());
        label->set_elide(true);
        label->set_text(long_text);
        QVERIFY(label->text().endsWith(ellipsis));
        QVERIFY(advance(label->font(), label->text()) <= 80);
        QCOMPARE(label->toolTip(), long_text);

        label->resize(advance(label->font(), long_text) + 10, 28);
        QCOMPARE(label->text(), long_text);
        QVERIFY(label->toolTip().isEmpty());

        label->resize(80, 28);
        QVERIFY(label->text().endsWith(ellipsis));
        label->set_elide(false);
        QCOMPARE(label->text(), long_text);
        QVERIFY(label->toolTip().isEmpty());
    }

    void label_leaves_rich_text_unshortened() {
        ui_label_t label(nullptr);
        label.resize(40, 28);
        label.set_elide(true);
        const QString rich = "<b>" + long_text + "</b>";
        label.set_text(rich);
        QCOMPARE(label.text(), rich);
        QVERIFY(label.toolTip().isEmpty());
    }

    void label_fits_font_only_when_visible_and_not_empty() {
        shown_window_t shown;
        QVERIFY(shown.exposed());
        const QFont initial = QApplication::font();

        auto* hidden = new ui_label_t(long_text, &shown.window);
        hidden->hide();
        hidden->setGeometry(0, 0, 120, 28);
        hidden->set_auto_fit(true);
        QCOMPARE(hidden->font(), initial);

        auto* empty = new ui_label_t(&shown.window);
        empty->setGeometry(0, 30, 120, 28);
        empty->show();
        empty->set_auto_fit(true);
        QCOMPARE(empty->font(), initial);

        hidden->show();
        const int size = hidden->font().pixelSize();
        QVERIFY(size >= 1 && size < 13);
        QVERIFY(advance(hidden->font(), long_text) <= 120);
        QFont one_larger = hidden->font();
        one_larger.setPixelSize(size + 1);
        QVERIFY(advance(one_larger, long_text) > 120);
        QCOMPARE(hidden->text(), long_text);
        QVERIFY(hidden->toolTip().isEmpty());
    }

    void label_fitting_starts_at_13_pixels_and_follows_the_width() {
        shown_window_t shown;
        auto* label = new ui_label_t("Fits", &shown.window);
        label->setGeometry(0, 0, 400, 28);
        label->show();
        QVERIFY(shown.exposed());
        label->set_auto_fit(true);
        QCOMPARE(label->font().pixelSize(), 13);

        label->set_text(long_text);
        label->resize(100, 28);
        const int narrow = label->font().pixelSize();
        QVERIFY(narrow < 13);
        QVERIFY(advance(label->font(), long_text) <= 100);
        label->resize(400, 28);
        QCOMPARE(label->font().pixelSize(), 13);
    }

    void label_fitting_ends_at_pixel_size_1_and_then_elides() {
        shown_window_t shown;
        auto* label = new ui_label_t(&shown.window);
        label->setGeometry(0, 0, 6, 28);
        label->show();
        QVERIFY(shown.exposed());
        label->set_auto_fit(true);
        label->set_elide(true);
        label->set_text(long_text);
        QCOMPARE(label->font().pixelSize(), 1);
        QVERIFY(label->text() != long_text);
        QCOMPARE(label->toolTip(), long_text);
    }

    void clear_action_is_created_once_and_removed() {
        ui_line_edit_t edit(nullptr);
        edit.set_clear_enabled(false);
        QVERIFY(edit.actions().isEmpty());
        QVERIFY(edit.findChildren<QAction*>().isEmpty());

        edit.set_clear_enabled(true);
        edit.set_clear_enabled(true);
        QCOMPARE(edit.actions().size(), 1);
        QPointer<QAction> action = edit.actions().first();
        QVERIFY(!action->isVisible());
        QVERIFY(!action->icon().isNull());

        edit.setText("typed");
        action->trigger();
        QVERIFY(edit.text().isEmpty());

        edit.set_clear_enabled(false);
        QVERIFY(edit.actions().isEmpty());
        QTRY_VERIFY(action.isNull());
    }

    void clear_action_shows_only_while_focused() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* edit = new ui_line_edit_t(&window);
        auto* other = new ui_line_edit_t(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        edit->set_clear_enabled(true);
        QAction* action = edit->actions().first();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        edit->setFocus();
        QVERIFY(edit->hasFocus());
        QVERIFY(action->isVisible());
        other->setFocus();
        QVERIFY(!action->isVisible());

        // Without the clear action, focus changes touch no action at all.
        other->setFocus();
        edit->set_clear_enabled(false);
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        QVERIFY(edit->actions().isEmpty());
    }

    void tool_button_icon_follows_its_watched_property() {
        const QIcon previous = solid_icon(Qt::black);
        const QIcon on = solid_icon(Qt::green);
        const QIcon off = solid_icon(Qt::red);
        ui_tool_button_t button(previous, QSize(16, 16), nullptr);
        QCOMPARE(button.icon().cacheKey(), previous.cacheKey());
        QCOMPARE(button.iconSize(), QSize(16, 16));

        button.set_icon_property("state", {{"on", on}, {"off", off}}, QSize(32, 32));
        QCOMPARE(button.iconSize(), QSize(32, 32));
        QCOMPARE(button.icon().cacheKey(), previous.cacheKey());

        button.set_property_value("other", "on");
        QCOMPARE(button.property("other").toString(), QString("on"));
        QCOMPARE(button.icon().cacheKey(), previous.cacheKey());
        QCOMPARE(button.iconSize(), QSize(32, 32));

        button.set_property_value("state", "off");
        QCOMPARE(button.property("state").toString(), QString("off"));
        QCOMPARE(button.icon().cacheKey(), off.cacheKey());
        QCOMPARE(button.iconSize(), QSize(24, 24));

        button.setIconSize(QSize(10, 10));
        button.set_property_value("state", "unknown");
        QCOMPARE(button.property("state").toString(), QString("unknown"));
        QCOMPARE(button.icon().cacheKey(), off.cacheKey());
        QCOMPARE(button.iconSize(), QSize(10, 10));
    }

    void combo_box_popup_scrolls_by_dragging() {
        ui_combo_box_t combo(nullptr);
        auto* delegate = qobject_cast<QStyledItemDelegate*>(combo.itemDelegate());
        QVERIFY(delegate);
        QCOMPARE(delegate->parent(), &combo);
        QWidget* viewport = combo.view()->viewport();
        QVERIFY(QScroller::hasScroller(viewport));
        QVERIFY(QScroller::grabbedGesture(viewport) != Qt::GestureType(0));
        QCOMPARE(combo.view()->verticalScrollMode(), QAbstractItemView::ScrollPerPixel);
        QCOMPARE(combo.view()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QWidget* popup = combo.view()->window();
        QVERIFY(popup != &combo);
        QCOMPARE(popup->windowFlags() & ~Qt::WindowFlags(Qt::WindowType_Mask),
                 Qt::WindowFlags(Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint));
        QCOMPARE(popup->windowType(), Qt::Popup);
        QVERIFY(popup->testAttribute(Qt::WA_TranslucentBackground));
    }

    void combo_box_color_items_come_in_order() {
        ui_combo_box_t combo(nullptr);
        combo.add_color_items();
        QCOMPARE(combo.count(), 4);
        QCOMPARE(combo.itemText(0), QString("Yellow"));
        QCOMPARE(combo.itemText(1), QString("Blue"));
        QCOMPARE(combo.itemText(2), QString("Red"));
        QCOMPARE(combo.itemText(3), QString("Green"));
    }

    void combo_widget_holds_its_combo_box_edge_to_edge() {
        ui_combo_widget_t frame(nullptr);
        ui_combo_box_t* combo = frame.combo_box();
        QVERIFY(combo);
        QCOMPARE(combo->parentWidget(), &frame);
        auto* layout = qobject_cast<QVBoxLayout*>(frame.layout());
        QVERIFY(layout);
        QCOMPARE(layout->count(), 1);
        QCOMPARE(layout->itemAt(0)->widget(), combo);
        QCOMPARE(layout->contentsMargins(), QMargins(0, 0, 0, 0));
        QCOMPARE(layout->spacing(), 0);
    }

    void radio_button_takes_its_text() {
        ui_radio_button_t radio("Port 1", nullptr);
        QCOMPARE(radio.text(), QString("Port 1"));
    }
};

QTEST_MAIN(test_widget_kit)
#include "test_widget_kit.moc"
