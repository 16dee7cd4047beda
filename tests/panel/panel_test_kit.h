#pragma once

#include <QApplication>
#include <QList>
#include <QRadioButton>
#include <QRect>
#include <QtTest>

#include "app/application_setup.h"
#include "driver/serial_link.h"
#include "driver/unit.h"
#include "tests/support/scripted_unit.h"

// Helpers shared by the panel tests: the operator's view of a panel.

// The program's own style sheet, which gives the radio buttons their 40 x 40
// indicators over the connectors.
inline bool apply_program_style() {
    const QString sheet = load_style_sheet({":/ui.qss"});
    qApp->setStyleSheet(sheet);
    return !sheet.isEmpty();
}

// Direct children of one type, in creation order.
template <class T>
QList<T*> children_of(QWidget* item) {
    return item->findChildren<T*>(QString(), Qt::FindDirectChildrenOnly);
}

// Where the operator clicks: the middle of the radio indicator, on the connector.
inline void click(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 25));
}

inline QRect at(int x, int y) {
    return QRect(x, y, 50, 50);
}

// The commands the unit has received once it has received count of them.
inline QList<QByteArray> received(const pty_server_t& unit, int count) {
    unit.wait_for_commands(count, 5000);
    return unit.commands();
}

// Leaves the unit layer as the device bar does once it has connected and
// identified a unit that answers "OS?" with os; the test then opens the unit
// it clicks on.
inline bool identify_unit(const QByteArray& os, const QByteArray& product) {
    bool identified = false;
    {
        pty_server_t unit(answering({{"OS?", os},
                                     {"MN?", "KVT"},
                                     {"SN?", "SN-KIT"},
                                     {"SV?", "1.0.0"},
                                     {"SHOW:PRODect:ID?", product}}));
        unit_info_t info;
        identified = serial_open(unit.port_name().toUtf8()) && drv_unit_instance().identify(info);
        serial_close();
    }
    drv_unit_instance().set_link_state(link_connected);
    return identified;
}
