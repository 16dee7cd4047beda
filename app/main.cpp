#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string_view>

#include "app/application_setup.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "panel/panel_picture_preload.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_usb_widget.h"

namespace {

// Benchmarks build the program without one preload to measure what it buys.
#ifdef QUILLON_WITHOUT_PRELOAD
constexpr std::string_view left_out = QUILLON_WITHOUT_PRELOAD;
#else
constexpr std::string_view left_out;
#endif

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const command_line_t line = read_command_line(arguments);
    if (line.action == command_line_t::print_text) {
        std::fputs(line.text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (line.action == command_line_t::usage_error) {
        std::fprintf(stderr, "quillon: %s\n", line.text.toLocal8Bit().constData());
        return 2;
    }
    QApplication app(argc, argv);
    // The pool decodes the picture of the panel the window opens on, which
    // takes longest, while the GUI thread goes on. Not before the application
    // exists: a reader's plug-in search started earlier can leave it without
    // its platform plug-in.
    if (left_out != "picture") {
        preload_panel_picture(two_port_picture);
    }
    app.setStyleSheet(load_style_sheet({":/ui.qss"}));
    QApplication::setStyle("Fusion");
    install_application_font(":/front/SourceHanSansCN-Bold.otf");
    MainWindow window(nullptr);
    window.findChild<ui_usb_widget_t*>()->set_search(line.search);
    QApplication::setWindowIcon(QIcon(":/image/norvane.ico"));
    window.show();
    return app.exec();
}
