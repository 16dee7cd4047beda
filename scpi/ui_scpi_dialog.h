#pragma once

#include <QDialog>

class command_history_t;
class ui_line_edit_t;
class ui_push_button_t;

// Sends the operator's text to the unit raw: write, query, or read what waits.
class ui_scpi_dialog_t : public QDialog {
    Q_OBJECT
public:
    explicit ui_scpi_dialog_t(QWidget* parent);

public slots:
    void write_btn_click_slot();
    void query_btn_click_slot();
    void read_btn_click_slot();

private:
    ui_push_button_t* write_button;
    ui_push_button_t* query_button;
    ui_push_button_t* read_button;
    ui_line_edit_t* command_edit;
    ui_line_edit_t* answer_edit;
    command_history_t* history;
};
