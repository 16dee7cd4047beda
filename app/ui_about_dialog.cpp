#include "app/ui_about_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QVBoxLayout>

#include "app/help_viewer.h"
#include "quillon_version.h"
#include "widget/ui_label.h"
#include "widget/ui_push_button.h"

ui_about_dialog_t::ui_about_dialog_t(QWidget* parent) : QDialog(parent, Qt::WindowFlags()) {
    setFixedSize(280, 200);
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    // Each request builds a new dialog; the help viewer does not depend on it.
    setAttribute(Qt::WA_DeleteOnClose);

    auto* logo = new ui_push_button_t(QIcon(":/image/norvane.ico"), "Quillon", this);
    logo->setObjectName("aboutLogo");
    logo->setIconSize(QSize(32, 32));
    logo->setAttribute(Qt::WA_TransparentForMouseEvents);
    logo->setStyleSheet(
        "background:rgba(240,240,255,0);border-radius:0px;padding:0px 0px 0px 0px;");

    auto* acknowledgment = new ui_push_button_t("Open-source acknowledgment", this);
    acknowledgment->setObjectName("aboutAck");
    connect(
        acknowledgment, &QPushButton::clicked, this, [this] { open_acknowledgment(); },
        Qt::DirectConnection);

    auto* version = new ui_label_t(QStringLiteral("\tVersion: V%1").arg(quillon_version), this);
    auto* build = new ui_label_t("\tBuild: 2024/6/12", this);
    auto* notice = new ui_label_t(QStringLiteral("\t\u00A9 2024 %1").arg(quillon_maker), this);

    auto* layout = new QVBoxLayout;
    const QList<QWidget*> rows = {logo, version, build, notice, acknowledgment};
    for (QWidget* row : rows) {
        layout->addWidget(row);
    }
    setLayout(layout);
}

void ui_about_dialog_t::open_acknowledgment() {
    QString text;
    switch (open_acknowledgment_help()) {
        case help_open_t::started:
        case help_open_t::already_running:
            return;
        case help_open_t::no_document:
            text = tr("The open-source acknowledgment is not installed.");
            break;
        case help_open_t::no_viewer:
            text = tr("No program to show the open-source acknowledgment was found. "
                      "Its file:\n%1")
                       .arg(QDir::toNativeSeparators(acknowledgment_document(
                           QDir::currentPath(), QCoreApplication::applicationDirPath())));
            break;
    }
    QMessageBox::information(this, tr("Information"), text, QMessageBox::Ok | QMessageBox::Close,
                             QMessageBox::Ok);
}
