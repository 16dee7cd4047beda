#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/application_setup.h"
#include "app/main_window.h"
#include "app/ui_central_widget.h"
#include "driver/link.h"
#include "driver/unit.h"
#include "driver/visa_session.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_6port_widget.h"
#include "panel/ui_usb_widget.h"
#include "scpi/ui_scpi_dialog.h"
#include "widget/ui_combo_box.h"
#include "widget/ui_label.h"

namespace {

// The indicator of a panel's radio button sits at its left edge, centred.
void click_connector(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 25));
}

QByteArray ask(const QByteArray& command) {
    QByteArray answer;
    return link_query(command, answer) ? answer : QByteArray("(failed)");
}

}  // namespace

class test_visa_flow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(visa_available(), "the VISA stand-in did not load");
        // The sheet gives the radio buttons their 40 x 40 indicators over the connectors.
        qApp->setStyleSheet(load_style_sheet({":/ui.qss"}));
    }

    void upgrade_is_offered_with_visa() {
        MainWindow window(nullptr);
        QMenu* tool = window.menuBar()->actions().at(1)->menu();
        QCOMPARE(tool->actions().at(1)->text(), QString("Upgrade"));
        QVERIFY(tool->actions().at(1)->isVisible());
    }

    void rescan_connect_read_back_and_switch() {
        ui_central_widget_t central(nullptr);
        central.show();
        auto* bar = central.findChild<ui_usb_widget_t*>();
        QSignalSpy connected(bar, &ui_usb_widget_t::device_connect_msg);
        bar->device_rescan_slot();

        auto* combo = bar->findChild<ui_combo_box_t*>();
        QCOMPARE(combo->count(), 2);
        QVERIFY(combo->itemText(0).contains("0xA5C3::0x0E21"));
        QVERIFY(combo->itemText(1).contains("0xA5C3::0x0E21"));
        QCOMPARE(connected.size(), 1);
        QCOMPARE(bar->findChildren<ui_label_t*>().at(0)->text(), QString("KVT0402Q-KVT2024001"));
        QCOMPARE(visa_resource_name(), combo->itemText(0).toUtf8());

        auto* two_port = central.findChild<ui_2port_widget_item_t*>();
        QVERIFY(two_port->isVisible());
        click_connector(two_port->findChildren<QRadioButton*>().at(3));  // B2
        QCOMPARE(ask("GETB?"), QByteArray("1"));
        click_connector(two_port->findChildren<QRadioButton*>().at(2));  // B1
        QCOMPARE(ask("GETB?"), QByteArray("0"));

        // The second unit is the six-port model: choosing it switches units and panels.
        combo->setCurrentIndex(1);
        QCOMPARE(connected.size(), 2);
        QCOMPARE(connected.last().first().toInt(), 29);
        auto* six_port = central.findChild<ui_6port_widget_item_t*>();
        QVERIFY(six_port->isVisible());
        QVERIFY(!two_port->isVisible());
        click_connector(six_port->findChildren<QRadioButton*>().at(11));  // B4
        QCOMPARE(ask("SP6TB:STATE?"), QByteArray("4"));
    }

    // Talks to the unit chosen last above.
    void console_queries_the_unit() {
        ui_scpi_dialog_t console(nullptr);
        console.show();
        for (QPushButton* button : console.findChildren<QPushButton*>()) {
            if (button->text() == "Query") {
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
        const QString answer = console.findChildren<QLineEdit*>().at(1)->text();
        QVERIFY2(answer.contains("KVT0206Q"), qPrintable(answer));
        QVERIFY(!answer.endsWith('\n'));
    }
};

QTEST_MAIN(test_visa_flow)
#include "test_visa_flow.moc"
