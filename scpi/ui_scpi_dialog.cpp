#include "scpi/ui_scpi_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "driver/link.h"
#include "scpi/command_history.h"
#include "widget/group_box_layout.h"
#include "widget/ui_line_edit.h"
#include "widget/ui_push_button.h"
#include "widget/wait_cursor.h"

ui_scpi_dialog_t::ui_scpi_dialog_t(QWidget* parent)
    : QDialog(parent, Qt::WindowFlags()),
      write_button(new ui_push_button_t("Write", this)),
      query_button(new ui_push_button_t("Query", this)),
      read_button(new ui_push_button_t("Read", this)),
      command_edit(new ui_line_edit_t("*IDN?", this)),
      answer_edit(new ui_line_edit_t(this)),
      history(new command_history_t(command_edit)) {
    answer_edit->setReadOnly(true);
    command_edit->setAccessibleName(tr("Command"));
    answer_edit->setAccessibleName(tr("Answer"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(write_button);
    buttons->addWidget(query_button);
    buttons->addWidget(read_button);

    auto* group_layout = new QVBoxLayout;
    group_layout->addWidget(command_edit);
    group_layout->addWidget(answer_edit);
    group_layout->addLayout(buttons);

    set_group_box_layout(this, "Scpi Test ", group_layout);

    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    // The keyboard starts where commands are typed, and Tab goes on to the answer.
    command_edit->setFocus();
    setTabOrder(command_edit, answer_edit);
    setTabOrder(answer_edit, write_button);
    // A closed console is never shown again; the next opening builds a new one.
    setAttribute(Qt::WA_DeleteOnClose);

    // Enter in the command field queries; no button is a default that Enter could fire.
    for (QPushButton* button : {write_button, query_button, read_button}) {
        button->setAutoDefault(false);
    }
    connect(command_edit, &QLineEdit::returnPressed, this, &ui_scpi_dialog_t::query_btn_click_slot);
    connect(write_button, &QPushButton::clicked, this, &ui_scpi_dialog_t::write_btn_click_slot);
    connect(query_button, &QPushButton::clicked, this, &ui_scpi_dialog_t::query_btn_click_slot);
    connect(read_button, &QPushButton::clicked, this, &ui_scpi_dialog_t::read_btn_click_slot);
}

void ui_scpi_dialog_t::write_btn_click_slot() {
    const wait_cursor_t wait;
    history->add(command_edit->text());
    link_write(command_edit->text().toUtf8());
}

// The emptied field says why it is empty.
void ui_scpi_dialog_t::query_btn_click_slot() {
    const wait_cursor_t wait;
    history->add(command_edit->text());
    QByteArray answer;
    const bool ok = link_query(command_edit->text().toUtf8(), answer);
    answer_edit->setText(ok ? QString::fromUtf8(answer) : QString());
    answer_edit->setPlaceholderText(ok ? QString() : tr("No answer"));
}

void ui_scpi_dialog_t::read_btn_click_slot() {
    const wait_cursor_t wait;
    QByteArray answer;
    if (link_read(answer)) {
        answer_edit->setText(QString::fromUtf8(answer));
    }
}
