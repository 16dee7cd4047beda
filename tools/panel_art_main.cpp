// Draws the front-panel pictures of both models into a folder:
//   panel-art <folder>   (run with QT_QPA_PLATFORM=offscreen where there is no display)
// tools/make-panel-pictures.sh runs it and stores the pictures as committed.
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>

#include "tools/panel_art_models.h"

namespace {

bool write_png(const QImage& image, const QString& path) {
    QImageWriter writer(path, "png");
    writer.setQuality(0);  // smallest file: PNG maps quality 0 to the strongest deflate
    // The plate covers the whole picture: no alpha channel needed.
    if (writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        return true;
    }
    QTextStream(stderr) << path << ": " << writer.errorString() << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: panel-art <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool written = write_png(draw_kvt0402q(), folder.filePath("KVT0402Q.png")) &&
                         write_png(draw_kvt0206q(), folder.filePath("KVT0206Q.png"));
    return written ? 0 : 1;
}
