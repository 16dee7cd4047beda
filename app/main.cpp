#include <QApplication>

#include "app/application_setup.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/platform_preload.h"
#include "panel/panel_picture_preload.h"
#include "panel/ui_2port_widget.h"

int main(int argc, char** argv) {
    // Decoding the picture of the panel the window opens on takes longest: it
    // starts before the application connects to the display.
    preload_panel_picture(two_port_picture);
    QApplication app(argc, argv);
    apply_command_line(QApplication::arguments());
    // The pool reads the fonts and the window icon while the GUI thread sets
    // up window graphics.
    preload_font_database();
    connect_session_bus_early();
    const image_preload_t window_icon(":/image/norvane.ico");
    set_up_window_graphics();
    app.setStyleSheet(load_style_sheet({":/ui.qss"}));
    QApplication::setStyle("Fusion");
    install_application_font(":/front/SourceHanSansCN-Bold.otf");
    MainWindow window(nullptr);
    // Wanted first when the window is shown.
    QApplication::setWindowIcon(preloaded_icon(window_icon));
    window.show();
    return app.exec();
}
