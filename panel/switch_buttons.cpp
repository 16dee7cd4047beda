#include "panel/switch_buttons.h"

#include <QAbstractButton>
#include <QButtonGroup>

void restore_checked(QAbstractButton* clicked, QAbstractButton* shown) {
    if (shown != nullptr) {
        shown->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; none needs it lifted for a moment.
    QButtonGroup* group = clicked->group();
    if (group != nullptr) {
        group->setExclusive(false);
    }
    clicked->setChecked(false);
    if (group != nullptr) {
        group->setExclusive(true);
    }
}
