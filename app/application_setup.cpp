#include "app/application_setup.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QPixmap>
#include <QSemaphore>
#include <QThreadPool>
#include <algorithm>

QString load_style_sheet(const QStringList& resources) {
    QString sheet;
    for (const QString& name : resources) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray bytes = file.readAll();
        sheet +=
            QString::fromUtf8(bytes.constData(), int(qstrnlen(bytes.constData(), bytes.size())));
    }
    return sheet;
}

void install_application_font(const QString& resource) {
    const int id = QFontDatabase::addApplicationFont(resource);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        return;
    }
    QFont font;
    font.setFamily(families.first());
    QApplication::setFont(font);
}

namespace {

// Far longer than the reading takes; past it the icon is read on this thread.
constexpr int icon_wait_ms = 2000;

// Every image of an icon file, as QIcon reads them; a format that does not
// tell how many images a file holds gives one.
QList<QImage> read_icon_images(const QString& file) {
    QList<QImage> images;
    QImageReader reader(file);
    const int count = std::max(1, reader.imageCount());
    QImage image;
    while (images.size() < count && reader.read(&image)) {
        images.append(image);
        reader.jumpToNextImage();
    }
    return images;
}

}  // namespace

struct window_icon_reading_t::images_t {
    QSemaphore read;
    QList<QImage> list;
};

window_icon_reading_t::window_icon_reading_t(const QString& file)
    : file(file), images(std::make_shared<images_t>()) {
    // Images only: pixmaps belong to the GUI thread.
    QThreadPool::globalInstance()->start([images = images, file] {
        images->list = read_icon_images(file);
        images->read.release();
    });
}

QIcon window_icon_reading_t::icon() const {
    if (!images->read.tryAcquire(1, icon_wait_ms)) {
        return QIcon(file);
    }
    // Left for a later call; the pool thread is done with the list.
    images->read.release();
    QIcon icon;
    for (const QImage& image : images->list) {
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
