#include "panel/panel_picture_preload.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPixmap>
#include <QPixmapCache>
#include <QScreen>
#include <cstring>

#include "panel/image_preload.h"

namespace {

// Touched on the GUI thread only.
QHash<QString, image_preload_t>& preloads() {
    static QHash<QString, image_preload_t> pending;
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
    preloads().insert(picture, image_preload_t(screen_sized_copy(picture, ratio)));
}

void hand_over_preloaded_picture(const QString& picture) {
    const auto pending = preloads().find(picture);
    if (pending == preloads().end()) {
        return;
    }
    QList<QImage> images;
    const bool decoded = pending->take(images);
    preloads().erase(pending);
    // Past the wait, or for a picture that does not decode, the rule decodes
    // it itself.
    if (!decoded || images.isEmpty() || images.first().isNull()) {
        return;
    }
    const QPixmap pixmap = QPixmap::fromImage(std::move(images.first()));
    const QString key = pixmap_load_key(picture);
    QPixmapCache::insert(key, pixmap);
    // A Qt that keys its loads otherwise decodes here, once, as the rule would
    // have; the unused copy must not stay in the cache beside it.
    if (QPixmap(picture).cacheKey() != pixmap.cacheKey()) {
        QPixmapCache::remove(key);
    }
}
