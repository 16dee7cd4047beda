#include "upgrade/ui_upgrade_dialog.h"

ui_upgrade_dialog_t::ui_upgrade_dialog_t(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {}
