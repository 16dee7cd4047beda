#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

#include "app/application_setup.h"
#include "app/main_window.h"
#include "app/ui_about_dialog.h"
#include "app/ui_central_widget.h"
#include "driver/unit.h"
#include "scpi/ui_scpi_dialog.h"
#include "tests/support/message_box_catcher.h"

namespace {

template <typename T>
QList<T*> top_level_of_type() {
    QList<T*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* typed = qobject_cast<T*>(widget)) {
            found.append(typed);
        }
    }
    return found;
}

QAction* action(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text) {
            return a;
        }
    }
    return nullptr;
}

}  // namespace

class test_main_window : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QDialog*>(widget)) {
                delete widget;
            }
        }
        drv_unit_instance().set_link_state(link_disconnected);
    }

    void title_size_and_menus() {
        MainWindow window(nullptr);
        QCOMPARE(window.windowTitle(), QString("Quillon V1.3.1"));
        QCOMPARE(window.maximumSize(), QSize(690, 500));
        QStringList titles;
        for (QAction* menu : window.menuBar()->actions()) {
            titles.append(menu->text());
        }
        QCOMPARE(titles, (QStringList{"File", "Tool", "Help"}));
        const QList<QAction*> menus = window.menuBar()->actions();
        QMenu* tool = menus.at(1)->menu();
        QCOMPARE(tool->actions().size(), 2);
        QVERIFY(action(tool, "Scpi")->isVisible());
        // No VISA library in this process: the upgrade needs it.
        QVERIFY(!action(tool, "Upgrade")->isVisible());
        for (QAction* menu : menus) {
            for (QAction* entry : menu->menu()->actions()) {
                QVERIFY2(entry->shortcut().isEmpty(), qPrintable(entry->text()));
            }
        }
    }

    void guard_refuses_scpi_and_upgrade_without_a_unit() {
        MainWindow window(nullptr);
        message_box_catcher_t boxes;
        window.scpi_btn_click_slot();
        window.upgrade_btn_click_slot();
        QCOMPARE(boxes.titles, (QStringList{"Information", "Information"}));
        QCOMPARE(boxes.texts, (QStringList{"Device not connected!", "Device not connected!"}));
        QVERIFY(top_level_of_type<QDialog>().isEmpty());

        drv_unit_instance().set_link_state(link_upgrading);
        window.scpi_btn_click_slot();
        QCOMPARE(boxes.texts.last(), QString("Upgrading!"));
        QVERIFY(top_level_of_type<QDialog>().isEmpty());
    }

    void about_opens_whatever_the_link_state() {
        MainWindow window(nullptr);
        window.about_btn_click_slot();
        const auto dialogs = top_level_of_type<ui_about_dialog_t>();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first()->windowTitle(), QString("About"));
        QCOMPARE(dialogs.first()->windowModality(), Qt::ApplicationModal);
    }

    void about_dialog_is_fixed_and_its_logo_inert() {
        ui_about_dialog_t about(nullptr);
        QCOMPARE(about.minimumSize(), QSize(280, 200));
        QCOMPARE(about.maximumSize(), QSize(280, 200));
        QVERIFY(about.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!about.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
        auto* logo = about.findChild<QPushButton*>("aboutLogo");
        QVERIFY(logo->testAttribute(Qt::WA_TransparentForMouseEvents));
        QVERIFY(!logo->icon().isNull());
        QVERIFY(about.findChild<QPushButton*>("aboutAck") != nullptr);
        const auto labels = about.findChildren<QLabel*>();
        QCOMPARE(labels.size(), 3);
        QCOMPARE(labels[0]->text(), QString("\tVersion: V1.3.1"));
        QCOMPARE(labels[1]->text(), QString("\tBuild: 2024/6/12"));
        for (QLabel* label : labels) {
            QVERIFY(label->text().startsWith('\t'));
        }
    }

    void every_scpi_request_builds_a_fresh_console() {
        MainWindow window(nullptr);
        drv_unit_instance().set_link_state(link_connected);
        window.scpi_btn_click_slot();
        window.scpi_btn_click_slot();
        const auto consoles = top_level_of_type<ui_scpi_dialog_t>();
        QCOMPARE(consoles.size(), 2);
        for (ui_scpi_dialog_t* console : consoles) {
            QCOMPARE(console->windowTitle(), QString("Scpi"));
            QCOMPARE(console->windowModality(), Qt::ApplicationModal);
            QCOMPARE(console->minimumWidth(), 450);
            QCOMPARE(console->maximumWidth(), 450);
            QVERIFY(console->isVisible());
        }
    }

    // A screen reader names every control and indicator; the switch buttons
    // as the front panels print their connectors.
    void every_control_has_an_accessible_name() {
        MainWindow window(nullptr);
        drv_unit_instance().set_link_state(link_connected);
        window.scpi_btn_click_slot();
        QList<QWidget*> widgets = window.findChildren<QWidget*>();
        for (ui_scpi_dialog_t* console : top_level_of_type<ui_scpi_dialog_t>()) {
            widgets += console->findChildren<QWidget*>();
        }
        QStringList switch_buttons;
        for (QWidget* widget : widgets) {
            const bool control = qobject_cast<QAbstractButton*>(widget) ||
                                 qobject_cast<QComboBox*>(widget) ||
                                 qobject_cast<QLineEdit*>(widget);
            const bool indicator =
                widget->inherits("ui_led_widget_t") ||
                QByteArray(widget->metaObject()->className()).startsWith("ui_rect");
            // Qt's own helpers (the menu bar's overflow button) are Qt's to name.
            if ((!control && !indicator) || widget->objectName().startsWith("qt_")) {
                continue;
            }
            const auto* button = qobject_cast<QAbstractButton*>(widget);
            const QString name = widget->accessibleName().isEmpty() && button
                                     ? button->text()
                                     : widget->accessibleName();
            QVERIFY2(!name.isEmpty(), qPrintable(widget->objectName()));
            if (qobject_cast<QRadioButton*>(widget)) {
                switch_buttons << name;
            }
        }
        switch_buttons.sort();
        QCOMPARE(switch_buttons.join(' '),
                 QString("A0 A1 A1 A2 A2 A3 A4 A5 A6 B0 B1 B1 B2 B2 B3 B4 B5 B6 C1 C2 D1 D2"));
    }

    // The next message replaces the last at once, and a message fades by itself.
    void status_messages_fade() {
        MainWindow window(nullptr);
        auto* central = window.findChild<ui_central_widget_t*>();
        QVERIFY(central != nullptr);
        central->onReceiveMsg("first");
        QCOMPARE(window.statusBar()->currentMessage(), QString("first"));
        central->onReceiveMsg("second");
        QCOMPARE(window.statusBar()->currentMessage(), QString("second"));
        QSignalSpy changes(window.statusBar(), &QStatusBar::messageChanged);
        QVERIFY(changes.wait(5000));
        QCOMPARE(changes.first().first().toString(), QString());
    }

    void exit_ends_the_event_loop_with_code_zero() {
        MainWindow window(nullptr);
        QMenu* file = window.menuBar()->actions().at(0)->menu();
        QTimer::singleShot(0, action(file, "Exit"), &QAction::trigger);
        QCOMPARE(QApplication::exec(), 0);
    }

    void style_sheet_loader_skips_what_it_cannot_read() {
        QCOMPARE(load_style_sheet({":/no/such.qss"}), QString());
        const QString sheet = load_style_sheet({":/ui.qss", ":/no/such.qss"});
        QVERIFY(sheet.contains("QRadioButton::indicator"));
        QVERIFY(!sheet.contains(QChar(0)));
    }

    void application_font_comes_from_the_resource() {
        const QFont before = QApplication::font();
        install_application_font(":/no/such.otf");
        QCOMPARE(QApplication::font(), before);
        install_application_font(":/front/SourceHanSansCN-Bold.otf");
        QVERIFY(QApplication::font().family() != before.family());
    }
};

QTEST_MAIN(test_main_window)
#include "test_main_window.moc"
