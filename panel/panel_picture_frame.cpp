#include "panel/panel_picture_frame.h"

#include <QFrame>
#include <QVBoxLayout>

void install_panel_item(QFrame* outer, QFrame* item, const QString& object_name,
                        const QString& picture_rule) {
    item->setObjectName(object_name);
    item->setStyleSheet(picture_rule);
    item->setFixedSize(643, 260);
    auto* layout = new QVBoxLayout;
    layout->addWidget(item);
    outer->setLayout(layout);
}
