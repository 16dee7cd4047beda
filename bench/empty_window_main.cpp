// The start-up yardstick: what any Qt Widgets program pays to show one empty
// main window in the Fusion style.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    QMainWindow window;
    window.show();
    return app.exec();
}
