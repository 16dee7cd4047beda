#pragma once

#include <QDialog>

// Firmware upgrade entry point. The transfer itself is not part of this
// version, so the dialog says so instead of offering controls that do nothing.
class ui_upgrade_dialog_t : public QDialog {
    Q_OBJECT
public:
    explicit ui_upgrade_dialog_t(QWidget* parent);
};
