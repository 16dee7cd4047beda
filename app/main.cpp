#include <QApplication>

#include "app/application_setup.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/platform_preload.h"
#include "panel/panel_picture_preload.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_usb_widget.h"

int main(int argc, char** argv) {
    if (asks_only_for_text(argc, argv)) {
        // Help and version need no display; apply_command_line prints them and
        // ends the process.
        QCoreApplication text_only(argc, argv);
        apply_command_line(QCoreApplication::arguments());
    }
    QApplication app(argc, argv);
    const unit_search_t search = apply_command_line(QApplication::arguments());
    // The pool decodes the picture of the panel the window opens on, which
    // takes longest, and reads the fonts and the window icon while the GUI
    // thread goes on. Not before the application exists: a reader's plug-in
    // search started earlier can leave it without its platform plug-in.
    preload_panel_picture(two_port_picture);
    preload_font_database();
    connect_session_bus_early();
    const image_preload_t window_icon(":/image/norvane.ico");
    set_up_window_graphics();
    app.setStyleSheet(load_style_sheet({":/ui.qss"}));
    QApplication::setStyle("Fusion");
    install_application_font(":/front/SourceHanSansCN-Bold.otf");
    MainWindow window(nullptr);
    window.findChild<ui_usb_widget_t*>()->set_search(search);
    // Wanted first when the window is shown.
    QApplication::setWindowIcon(preloaded_icon(window_icon));
    window.show();
    return app.exec();
}
