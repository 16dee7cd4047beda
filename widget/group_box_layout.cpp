#include "widget/group_box_layout.h"

#include <QGroupBox>
#include <QVBoxLayout>

void set_group_box_layout(QWidget* owner, const QString& title, QLayout* content) {
    auto* group = new QGroupBox(title, owner);
    // A title may end in a blank; what a screen reader says does not.
    group->setAccessibleName(title.trimmed());
    group->setLayout(content);
    auto* layout = new QVBoxLayout;
    layout->addWidget(group);
    owner->setLayout(layout);
}
