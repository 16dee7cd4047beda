#include "panel/position_button.h"

#include <QButtonGroup>
#include <QKeyEvent>

position_button_t::position_button_t(QWidget* parent) : QRadioButton(parent) {
    connect(this, &QAbstractButton::clicked, this, &position_button_t::chosen);
    // Whatever else checks it (an assistive technology's Toggle) asks as a click does.
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (on && !showing) {
            emit chosen();
        }
    });
}

void position_button_t::show_checked(bool on) {
    showing = true;
    QButtonGroup* exclusive = group() != nullptr && group()->exclusive() ? group() : nullptr;
    // An exclusive group keeps one button checked; none needs it lifted for a moment.
    if (!on && exclusive != nullptr) {
        exclusive->setExclusive(false);
    }
    setChecked(on);
    if (!on && exclusive != nullptr) {
        exclusive->setExclusive(true);
    }
    showing = false;
}

// A click never checks the button; its group still takes the check off it
// when another is checked.
void position_button_t::nextCheckState() {
    if (isChecked()) {
        QRadioButton::nextCheckState();
    }
}

void position_button_t::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1
                     : key == Qt::Key_Up || key == Qt::Key_Left  ? -1
                                                                 : 0;
    if (step == 0 || group() == nullptr) {
        QRadioButton::keyPressEvent(event);
        return;
    }
    const QList<QAbstractButton*> positions = group()->buttons();
    const int count = int(positions.size());
    QAbstractButton* next = positions.at((int(positions.indexOf(this)) + step + count) % count);
    if (isChecked()) {
        next->click();
    }
    next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}
