#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QProgressBar;
class ui_label_t;
class ui_push_button_t;
class upgrade_thread_t;

// Picks an upgrade image, checks it and sends it to the unit on a worker.
// While the worker runs the dialog stays open and the link is marked upgrading.
class ui_upgrade_dialog_t : public QDialog {
    Q_OBJECT
public:
    explicit ui_upgrade_dialog_t(QWidget* parent);
    ~ui_upgrade_dialog_t() override;

public slots:
    void browse_btn_click_slot();
    void begin_btn_click_slot();
    void init_progress_bar_slot(ulong total, uint type);
    void set_progress_bar_slot(ulong value, bool ok);
    void upgrade_success_slot();
    void reject() override;

private:
    void upgrade_finished();
    void show_note(const QString& text);

    upgrade_thread_t* upgrade_thread;
    QString image_path;
    QLineEdit* path_edit;
    ui_push_button_t* browse_button;
    ui_push_button_t* begin_button;
    QProgressBar* progress_bar;
    // Why the last Begin did not start, or that the unit did not come back.
    ui_label_t* note_label;
    // From Begin until the worker's end has been handled here.
    bool upgrading = false;
};
