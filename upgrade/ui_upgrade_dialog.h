#pragma once

#include <QDialog>

// The firmware upgrade is not offered yet; the menu entry stays hidden
// without the VISA link.
class ui_upgrade_dialog_t : public QDialog {
    Q_OBJECT
public:
    explicit ui_upgrade_dialog_t(QWidget* parent);
};
