#include "panel/panel_picture_preload.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QScreen>
#include <QSemaphore>
#include <QThreadPool>
#include <cstring>
#include <memory>

namespace {

// Far longer than a decode takes.
constexpr int preload_wait_ms = 2000;

// Shared with the pool thread, which may outlive the wait.
struct decoded_t {
    QSemaphore done;
    QImage image;
};

// Touched on the GUI thread only.
QHash<QString, std::shared_ptr<decoded_t>>& preloads() {
    static QHash<QString, std::shared_ptr<decoded_t>> pending;
    return pending;
}

// Each byte of the value as it lies in memory, low nibble first, as Qt writes it.
template <typename T>
void append_hex(QString& key, T value) {
    static const char digits[] = "0123456789abcdef";
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    for (unsigned char byte : bytes) {
        key += QLatin1Char(digits[byte & 0xf]);
        key += QLatin1Char(digits[byte >> 4]);
    }
}

}  // namespace

// Qt 5.15 builds it in QPixmap::load: the path, the file's time and size, and
// the pixmap type (0, a pixmap rather than a bitmap).
QString pixmap_load_key(const QString& picture) {
    const QFileInfo info(picture);
    QString key = QStringLiteral("qt_pixmap") + info.absoluteFilePath();
    append_hex(key, uint(info.lastModified().toSecsSinceEpoch()));
    append_hex(key, quint64(info.size()));
    append_hex(key, uint(0));
    return key;
}

QString screen_sized_copy(const QString& picture, qreal device_pixel_ratio) {
    const QFileInfo info(picture);
    const QString folder = device_pixel_ratio > 1 ? QStringLiteral("/2x/") : QStringLiteral("/1x/");
    return info.path() + folder + info.fileName();
}

void preload_panel_picture(const QString& picture) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1;
    auto decoded = std::make_shared<decoded_t>();
    preloads().insert(picture, decoded);
    QThreadPool::globalInstance()->start([decoded, file = screen_sized_copy(picture, ratio)] {
        decoded->image = QImage(file);
        decoded->done.release();
    });
}

void hand_over_preloaded_picture(const QString& picture) {
    const auto pending = preloads().find(picture);
    if (pending == preloads().end()) {
        return;
    }
    const std::shared_ptr<decoded_t> decoded = *pending;
    preloads().erase(pending);
    // Past the wait, or for a picture that does not decode, the rule decodes
    // it itself.
    if (!decoded->done.tryAcquire(1, preload_wait_ms) || decoded->image.isNull()) {
        return;
    }
    const QPixmap pixmap = QPixmap::fromImage(std::move(decoded->image));
    const QString key = pixmap_load_key(picture);
    QPixmapCache::insert(key, pixmap);
    // A Qt that keys its loads otherwise decodes here, once, as the rule would
    // have; the unused copy must not stay in the cache beside it.
    if (QPixmap(picture).cacheKey() != pixmap.cacheKey()) {
        QPixmapCache::remove(key);
    }
}
