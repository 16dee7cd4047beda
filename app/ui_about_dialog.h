#pragma once

#include <QDialog>

class ui_about_dialog_t : public QDialog {
    Q_OBJECT
public:
    explicit ui_about_dialog_t(QWidget* parent);

private:
    void open_acknowledgment();
};
