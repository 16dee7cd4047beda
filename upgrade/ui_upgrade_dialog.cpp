#include "upgrade/ui_upgrade_dialog.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "widget/ui_label.h"

ui_upgrade_dialog_t::ui_upgrade_dialog_t(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    auto* notice = new ui_label_t(tr("Firmware upgrade is not available in this version."), this);
    auto* group_layout = new QVBoxLayout;
    group_layout->addWidget(notice);
    auto* group = new QGroupBox("Firmware Upgrade ", this);
    group->setLayout(group_layout);
    auto* layout = new QVBoxLayout;
    layout->addWidget(group);
    setLayout(layout);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
}
