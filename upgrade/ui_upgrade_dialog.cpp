#include "upgrade/ui_upgrade_dialog.h"

#include <QVBoxLayout>

#include "widget/group_box_layout.h"
#include "widget/ui_label.h"

ui_upgrade_dialog_t::ui_upgrade_dialog_t(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    auto* notice = new ui_label_t(tr("Firmware upgrade is not available in this version."), this);
    auto* group_layout = new QVBoxLayout;
    group_layout->addWidget(notice);
    set_group_box_layout(this, "Firmware Upgrade ", group_layout);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
}
