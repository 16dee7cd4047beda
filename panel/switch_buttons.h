#pragma once

class QAbstractButton;

// A click checks its button before the panel knows whether the unit switched;
// this puts the check of that button's group back on shown, or on none.
void restore_checked(QAbstractButton* clicked, QAbstractButton* shown);
