#include "app/ui_about_dialog.h"

ui_about_dialog_t::ui_about_dialog_t(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    setFixedSize(280, 200);
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
}
