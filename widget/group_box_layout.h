#pragma once

#include <QString>

class QLayout;
class QWidget;

// Gives owner a layout holding only a titled group box around content, the
// shape of the program's small dialogs.
void set_group_box_layout(QWidget* owner, const QString& title, QLayout* content);
