#include <QApplication>
#include <QIcon>

#include "app/application_setup.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/session_bus.h"
#include "panel/panel_picture_preload.h"
#include "panel/ui_2port_widget.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    apply_command_line(QApplication::arguments());
    // The window opens on this panel; its picture decodes on another core
    // while the window is built.
    preload_panel_picture(two_port_picture);
    connect_session_bus_early();
    app.setStyleSheet(load_style_sheet({":/ui.qss"}));
    QApplication::setStyle("Fusion");
    install_application_font(":/front/SourceHanSansCN-Bold.otf");
    QApplication::setWindowIcon(QIcon(":/image/norvane.ico"));
    MainWindow window(nullptr);
    window.show();
    return app.exec();
}
