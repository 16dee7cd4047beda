#include "panel/image_preload.h"

#include <QImageReader>
#include <QSemaphore>
#include <QThreadPool>
#include <algorithm>

namespace {

// Far longer than a decode takes.
constexpr int preload_wait_ms = 2000;

// Every image of a file, in order; a format that does not tell how many images
// a file holds gives one.
QList<QImage> read_images(const QString& file) {
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

struct image_preload_t::decoded_t {
    QSemaphore done;
    QList<QImage> images;
};

image_preload_t::image_preload_t(const QString& file)
    : path(file), decoded(std::make_shared<decoded_t>()) {
    QThreadPool::globalInstance()->start([decoded = decoded, file] {
        decoded->images = read_images(file);
        decoded->done.release();
    });
}

bool image_preload_t::take(QList<QImage>& images) const {
    if (!decoded->done.tryAcquire(1, preload_wait_ms)) {
        return false;
    }
    // Left for a later take; the pool thread is done with the list.
    decoded->done.release();
    images = decoded->images;
    return true;
}
