// The window as a screen reader meets it, through Qt's accessibility
// interfaces, which the AT-SPI bridge hands to Orca: the tree names what is
// on screen and announces its changes, and a Toggle switches the unit on the
// wire, set and read-back, as a click does.
#include <QAccessible>
#include <QStatusBar>
#include <QtTest>
#include <memory>

#include "app/application_setup.h"
#include "app/main_window.h"
#include "driver/serial_link.h"
#include "driver/unit.h"
#include "panel/ui_usb_widget.h"
#include "scpi/ui_scpi_dialog.h"
#include "tests/sim/sim_test_util.h"
#include "tests/support/scripted_unit.h"
#include "upgrade/ui_upgrade_dialog.h"

namespace {

// Every interface below root, root first.
void walk(QAccessibleInterface* root, QList<QAccessibleInterface*>& out) {
    out.append(root);
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface* child = root->child(i)) {
            walk(child, out);
        }
    }
}

// The one shown interface of this role whose name begins so.
QAccessibleInterface* find(QWidget* window, QAccessible::Role role, const QString& name) {
    QList<QAccessibleInterface*> all;
    walk(QAccessible::queryAccessibleInterface(window), all);
    for (QAccessibleInterface* iface : all) {
        if (iface->role() == role && !iface->state().invisible &&
            iface->text(QAccessible::Name).startsWith(name)) {
            return iface;
        }
    }
    return nullptr;
}

QList<QPair<QObject*, QAccessible::Event>>& announced() {
    static QList<QPair<QObject*, QAccessible::Event>> events;
    return events;
}

bool announced_name_of(QAccessibleInterface* iface) {
    return announced().contains({iface->object(), QAccessible::NameChanged});
}

const QList<QByteArray> identification = {"OS?", "MN?", "SN?", "SV?", "SHOW:PRODect:ID?"};

QString name_of(QAccessibleInterface* iface) {
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("(none)");
}

}  // namespace

class test_accessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            announced().append({event->object(), event->type()});
        });
        QAccessible::setActive(true);
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
        qApp->setStyleSheet(load_style_sheet({":/ui.qss"}));
    }

    void cleanup() {
        serial_close();
        drv_unit_instance().set_link_state(link_disconnected);
    }

    // Rescan, choose each unit and switch every switch, by the tree alone.
    void a_screen_reader_drives_the_window() {
        served_unit_t two_port(unit_config("KVT0402Q,sn=SN-TWO"));
        served_unit_t six_port(unit_config("KVT0206Q,sn=SN-SIX,faults=fail:SP6TB:STATE?"));
        MainWindow window(nullptr);
        unit_search_t search;
        search.port_source = [&] {
            return QList<serial_port_entry_t>{{two_port.server.port_name(), true, 0xA5C3, 0x0E21},
                                              {six_port.server.port_name(), true, 0xA5C3, 0x0E21}};
        };
        window.findChild<ui_usb_widget_t*>()->set_search(search);
        window.show();

        QAccessibleInterface* bar_text =
            find(&window, QAccessible::StaticText, "KVT is disconnected!");
        QVERIFY(bar_text);
        announced().clear();
        find(&window, QAccessible::Button, "Rescan")
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(name_of(bar_text), QString("KVT0402Q-SN-TWO"));
        QVERIFY(announced_name_of(bar_text));

        for (const char sw : {'A', 'B', 'C', 'D'}) {
            two_port.server.clear_commands();
            QAccessibleInterface* button =
                find(&window, QAccessible::RadioButton, QString("%1%2").arg(sw).arg(2));
            QVERIFY(button && !button->state().checked);
            button->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            QCOMPARE(two_port.server.commands(), (QList<QByteArray>{QByteArray("SET") + sw + "=1",
                                                                    QByteArray("GET") + sw + '?'}));
            QVERIFY(button->state().checked);
            const QString lamp = QString("Lamp %1: position 2").arg(sw);
            QCOMPARE(name_of(find(&window, QAccessible::Border, lamp)), lamp);
        }

        // The list's Toggle on the second unit chooses it, as a click in the open list.
        // (On Linux a combo box is named by its current item.)
        QAccessibleInterface* list = find(&window, QAccessible::ComboBox, "")->child(0);
        list->tableInterface()->cellAt(1, 0)->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
        QCOMPARE(name_of(bar_text), QString("KVT0206Q-SN-SIX"));

        six_port.server.clear_commands();
        find(&window, QAccessible::RadioButton, "A3")
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::toggleAction());
        // B's read-back failed at the connection: the unit is identified again first.
        QCOMPARE(
            six_port.server.commands().mid(identification.size()),
            (QList<QByteArray>{"SP6TA:STATE?", "SP6TB:STATE?", "SP6TA:STATE:3", "SP6TA:STATE?"}));
        QCOMPARE(name_of(find(&window, QAccessible::Border, "Lamp A")),
                 QString("Lamp A: position 3"));

        // B's state is never reported: no position, and a message that is read out.
        find(&window, QAccessible::RadioButton, "B4")
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!find(&window, QAccessible::RadioButton, "B4")->state().checked);
        QAccessibleInterface* status = find(&window, QAccessible::StatusBar, "");
        QCOMPARE(name_of(status), QString("The unit did not report where switch B stands"));
        QVERIFY(announced_name_of(status));
    }

    // Names are what a screen reader says of what is shown: none of a control
    // empty, none with stray blanks.
    void every_name_is_clean() {
        MainWindow window(nullptr);
        ui_scpi_dialog_t console(nullptr);
        ui_upgrade_dialog_t upgrade(nullptr);
        // The blank the window opens with is gone in a moment.
        QTRY_VERIFY(window.statusBar()->currentMessage().isEmpty());
        for (QWidget* top : QList<QWidget*>{&window, &console, &upgrade}) {
            top->show();
            QList<QAccessibleInterface*> all;
            walk(QAccessible::queryAccessibleInterface(top), all);
            for (QAccessibleInterface* iface : all) {
                if (iface->state().invisible) {
                    continue;
                }
                const QString name = iface->text(QAccessible::Name);
                QVERIFY2(name == name.trimmed(),
                         qPrintable(iface->object()->metaObject()->className() + (": " + name)));
                const QAccessible::Role role = iface->role();
                const bool control =
                    role == QAccessible::RadioButton || role == QAccessible::PushButton ||
                    role == QAccessible::ComboBox || role == QAccessible::EditableText;
                QVERIFY2(!control || !name.isEmpty(), iface->object()->metaObject()->className());
            }
        }
    }
};

QTEST_MAIN(test_accessibility)
#include "test_accessibility.moc"
