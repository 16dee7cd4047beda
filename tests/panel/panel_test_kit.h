#pragma once

#include <QApplication>
#include <QList>
#include <QMap>
#include <QRadioButton>
#include <QRect>
#include <QtTest>
#include <memory>

#include "app/application_setup.h"
#include "sim/pty_server.h"
#include "sim/sim_unit.h"

// Helpers shared by the panel tests: the unit side of the link and the
// operator's view of a panel.

// The program's own style sheet, which gives the radio buttons their 40 x 40
// indicators over the connectors.
inline bool apply_program_style() {
    const QString sheet = load_style_sheet({":/ui.qss"});
    qApp->setStyleSheet(sheet);
    return !sheet.isEmpty();
}

// A unit that answers each command with the next line scripted for it and
// stays silent once its lines are used up or for commands it does not know.
inline pty_server_t::handler_t scripted(QMap<QByteArray, QList<QByteArray>> lines) {
    auto left = std::make_shared<QMap<QByteArray, QList<QByteArray>>>(std::move(lines));
    return [left](const QByteArray& command) {
        QList<QByteArray>& queue = (*left)[command];
        if (queue.isEmpty()) {
            return answer_t{};
        }
        return answer_t{{0, queue.takeFirst() + '\n'}};
    };
}

inline pty_server_t::handler_t simulated(std::shared_ptr<sim_unit_t> unit) {
    return [unit](const QByteArray& command) { return unit->handle(command); };
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
