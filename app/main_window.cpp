#include "app/main_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QUrl>

#include "app/ui_about_dialog.h"
#include "app/ui_central_widget.h"
#include "driver/unit.h"
#include "driver/visa_session.h"
#include "quillon_version.h"
#include "scpi/ui_scpi_dialog.h"
#include "upgrade/ui_upgrade_dialog.h"

namespace {

const char* const website = "https://www.norvane.example/";
constexpr int dialog_width = 450;

// Dialogs are top-level, application-modal and created afresh on every request.
void open_dialog(QDialog* dialog, const QString& title, bool fixed_width) {
    if (fixed_width) {
        dialog->setFixedWidth(dialog_width);
    }
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setWindowTitle(title);
    dialog->show();
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent, Qt::WindowFlags()) {
    const QRect initial = geometry();
    setMaximumSize(initial.width() + 50, initial.height() + 20);

    auto* file_menu = new QMenu("File", this);
    QAction* exit_action = file_menu->addAction("Exit");
    exit_action->setShortcut(QKeySequence());
    connect(
        exit_action, &QAction::triggered, this, [] { QCoreApplication::exit(0); },
        Qt::DirectConnection);

    auto* help_menu = new QMenu("Help", this);
    about_action = help_menu->addAction("About");
    QAction* website_action = help_menu->addAction("Website");
    website_action->setShortcut(QKeySequence());
    connect(
        website_action, &QAction::triggered, this,
        [] { QDesktopServices::openUrl(QUrl(website, QUrl::TolerantMode)); }, Qt::DirectConnection);

    tool_menu = new QMenu("Tool", this);
    scpi_action = tool_menu->addAction("Scpi");
    upgrade_action = tool_menu->addAction("Upgrade");
    if (!visa_available()) {
        upgrade_action->setVisible(false);
    }

    menuBar()->addMenu(file_menu);
    menuBar()->addMenu(tool_menu);
    menuBar()->addMenu(help_menu);

    setWindowTitle(QStringLiteral("Quillon V%1").arg(quillon_version));

    central_widget = new ui_central_widget_t(this);
    setCentralWidget(central_widget);

    statusBar()->showMessage("    ", 100);

    connect(central_widget, &ui_central_widget_t::sendShowMsg, this, &MainWindow::onReceiveMsg);
    connect(scpi_action, &QAction::triggered, this, &MainWindow::scpi_btn_click_slot);
    connect(upgrade_action, &QAction::triggered, this, &MainWindow::upgrade_btn_click_slot);
    connect(about_action, &QAction::triggered, this, &MainWindow::about_btn_click_slot);
}

bool MainWindow::check_link_state() {
    QString text;
    switch (drv_unit_instance().link_state()) {
        case link_connected:
            return true;
        case link_upgrading:
            text = tr("Upgrading!");
            break;
        case link_disconnected:
            text = tr("Device not connected!");
            break;
    }
    QMessageBox::information(this, tr("Information"), text, QMessageBox::Ok | QMessageBox::Close,
                             QMessageBox::Ok);
    return false;
}

// A message fades after a second; the status bar's accessible name follows
// it, so a screen reader hears each as it comes.
void MainWindow::onReceiveMsg(QString msg) {
    statusBar()->showMessage(msg, 1000);
}

void MainWindow::scpi_btn_click_slot() {
    if (check_link_state()) {
        open_dialog(new ui_scpi_dialog_t(nullptr), tr("Scpi"), true);
    }
}

void MainWindow::upgrade_btn_click_slot() {
    if (check_link_state()) {
        open_dialog(new ui_upgrade_dialog_t(nullptr), tr("Upgrade"), true);
    }
}

void MainWindow::about_btn_click_slot() {
    open_dialog(new ui_about_dialog_t(nullptr), tr("About"), false);
}
