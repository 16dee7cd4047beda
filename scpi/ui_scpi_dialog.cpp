#include "scpi/ui_scpi_dialog.h"

ui_scpi_dialog_t::ui_scpi_dialog_t(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    setAttribute(Qt::WA_DeleteOnClose);
}
