#pragma once

#include <QDialog>

class ui_scpi_dialog_t : public QDialog {
    Q_OBJECT
public:
    explicit ui_scpi_dialog_t(QWidget* parent);
};
