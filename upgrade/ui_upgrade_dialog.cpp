#include "upgrade/ui_upgrade_dialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>
#include <climits>

#include "driver/unit.h"
#include "driver/unit_identity.h"
#include "upgrade/upgrade_choice.h"
#include "upgrade/upgrade_thread.h"
#include "widget/group_box_layout.h"
#include "widget/ui_label.h"
#include "widget/ui_push_button.h"

ui_upgrade_dialog_t::ui_upgrade_dialog_t(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    path_edit = new QLineEdit(this);
    path_edit->setPlaceholderText(" ");
    path_edit->setAlignment(Qt::AlignLeft);
    path_edit->setReadOnly(true);
    // Unnamed, a screen reader would call it and the progress bar by the group
    // box's title, blank and all.
    path_edit->setAccessibleName(tr("Upgrade image"));
    browse_button = new ui_push_button_t("Browse", this);
    auto* path_layout = new QHBoxLayout;
    path_layout->addWidget(path_edit);
    path_layout->addWidget(browse_button);

    begin_button = new ui_push_button_t("Begin", this);
    progress_bar = new QProgressBar(this);
    progress_bar->setValue(0);
    progress_bar->setAccessibleName(tr("Upgrade progress"));
    note_label = new ui_label_t(this);
    note_label->setWordWrap(true);
    note_label->setTextFormat(Qt::PlainText);
    note_label->hide();

    auto* group_layout = new QVBoxLayout;
    group_layout->addLayout(path_layout);
    group_layout->addWidget(begin_button);
    group_layout->addWidget(progress_bar);
    group_layout->addWidget(note_label);
    set_group_box_layout(this, "Firmware Upgrade ", group_layout);

    accept_images_of_attached_unit();

    upgrade_thread = new upgrade_thread_t;

    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);

    connect(browse_button, &QPushButton::clicked, this,
            &ui_upgrade_dialog_t::browse_btn_click_slot);
    connect(begin_button, &QPushButton::clicked, this, &ui_upgrade_dialog_t::begin_btn_click_slot);
    connect(upgrade_thread, &upgrade_thread_t::init_progress_bar, this,
            &ui_upgrade_dialog_t::init_progress_bar_slot, Qt::QueuedConnection);
    connect(upgrade_thread, &upgrade_thread_t::send_upgrade_state, this,
            &ui_upgrade_dialog_t::set_progress_bar_slot, Qt::QueuedConnection);
    connect(upgrade_thread, &upgrade_thread_t::send_upgrade_success, this,
            &ui_upgrade_dialog_t::upgrade_success_slot, Qt::QueuedConnection);
    connect(upgrade_thread, &QThread::finished, this, &ui_upgrade_dialog_t::upgrade_finished,
            Qt::QueuedConnection);
    // The program must not end under a transfer: the unit would be left half written.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { upgrade_thread->wait(); });
}

// Closing is refused while the worker runs, so it has ended here.
ui_upgrade_dialog_t::~ui_upgrade_dialog_t() {
    upgrade_thread->wait();
    delete upgrade_thread;
}

void ui_upgrade_dialog_t::browse_btn_click_slot() {
    QFileDialog files(nullptr, tr("Select upgrade files"), "/", "*.ADS");
    files.setFileMode(QFileDialog::ExistingFile);
    // The application's light text would vanish on the file dialog's light views.
    files.setStyleSheet("QWidget{color:rgb(30,30,30)}");
    image_path = files.exec() == QDialog::Accepted ? files.selectedFiles().value(0) : QString();
    QFile file(image_path);
    if (file.open(QIODevice::ReadOnly)) {
        file.close();
        path_edit->setText(image_path);
    }
}

void ui_upgrade_dialog_t::begin_btn_click_slot() {
    if (upgrading) {
        return;
    }
    // The platform's file-name encoding: any name the file dialog gave opens.
    const QByteArray path(QFile::encodeName(image_path).constData());
    if (path.isEmpty()) {
        return;
    }
    const image_verdict_t verdict = choose_upgrade_image(path);
    show_note(verdict == image_ok ? QString() : image_verdict_text(verdict));
    if (verdict != image_ok) {
        return;
    }
    upgrading = true;
    drv_unit_instance().set_link_state(link_upgrading);
    upgrade_thread->start(QThread::InheritPriority);
}

void ui_upgrade_dialog_t::init_progress_bar_slot(ulong total, uint) {
    progress_bar->setRange(0, int(qMin<ulong>(total, INT_MAX)));
    progress_bar->setValue(0);
}

void ui_upgrade_dialog_t::set_progress_bar_slot(ulong value, bool ok) {
    if (ok) {
        progress_bar->setValue(int(qMin<ulong>(value, INT_MAX)));
        return;
    }
    upgrade_thread->quit();
    QMessageBox::information(this, tr("Information"), tr("Upgrade FAIL!"),
                             QMessageBox::Ok | QMessageBox::Close, QMessageBox::Ok);
}

void ui_upgrade_dialog_t::upgrade_success_slot() {
    upgrade_thread->quit();
    QMessageBox::information(this, tr("Information"), tr("Upgrade OK!"),
                             QMessageBox::Ok | QMessageBox::Close, QMessageBox::Ok);
}

// Closing goes through here too: refused while the worker runs.
void ui_upgrade_dialog_t::reject() {
    if (!upgrading) {
        QDialog::reject();
        return;
    }
    // Cut short, the transfer would leave the unit without its firmware.
    QMessageBox::information(this, tr("Information"),
                             tr("The upgrade is running: this dialog closes once it has ended."),
                             QMessageBox::Ok | QMessageBox::Close, QMessageBox::Ok);
}

// The worker has closed the link unless the chosen unit is back.
void ui_upgrade_dialog_t::upgrade_finished() {
    upgrading = false;
    const upgrade_result_t result = upgrade_thread->result();
    const bool back = result.unit_return.back();
    // A unit refused before any byte stays as it was: connected.
    const bool connected = back || result.unit_return.kind == unit_return_t::unfollowed;
    drv_unit_instance().set_link_state(connected ? link_connected : link_disconnected);
    show_note(back ? QString() : shown_text(result.unit) + ' ' + result.unit_return.text() + '.');
}

void ui_upgrade_dialog_t::show_note(const QString& text) {
    note_label->set_text(text);
    note_label->setVisible(!text.isEmpty());
}
