#include "panel/panel_picture_frame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QImageReader>
#include <QPixmapCache>
#include <QSet>
#include <QVBoxLayout>

#include "panel/panel_picture_preload.h"

namespace {

// Polishing a picture item builds its rule, and building a rule decodes the
// picture unless it was preloaded. An item hidden when its window is first
// shown is polished only once it is first shown itself.
class deferred_polish_t : public QObject {
public:
    deferred_polish_t(QObject* item, const QString& picture) : QObject(item), picture(picture) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* item = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Polish) {
            if (!item->isVisibleTo(item->window())) {
                deferred = true;
                return true;
            }
            hand_over_preloaded_picture(picture);
        }
        if (event->type() == QEvent::Show && deferred) {
            deferred = false;
            QEvent polish(QEvent::Polish);
            QCoreApplication::sendEvent(item, &polish);
        }
        return false;
    }

private:
    const QString picture;
    bool deferred = false;
};

// The rule is built once per widget state and each build loads the picture;
// with room for every panel picture in the pixmap cache, besides what it held
// before, every build after the first finds its picture there.
void make_room_in_pixmap_cache(const QString& picture) {
    static QSet<QString> counted;
    if (counted.contains(picture)) {
        return;
    }
    counted.insert(picture);
    const QSize size = QImageReader(picture).size();
    const qint64 kib = qint64(size.width()) * size.height() * 4 / 1024 + 1;
    QPixmapCache::setCacheLimit(int(QPixmapCache::cacheLimit() + kib));
}

}  // namespace

void install_panel_item(QFrame* outer, QFrame* item, const QString& object_name,
                        const QString& picture) {
    make_room_in_pixmap_cache(picture);
    item->installEventFilter(new deferred_polish_t(item, picture));
    item->setObjectName(object_name);
    item->setStyleSheet(QString("%1#%2{border-image:url(%3)}")
                            .arg(item->metaObject()->className(), object_name, picture));
    item->setFixedSize(panel_item_size);
    auto* layout = new QVBoxLayout;
    layout->addWidget(item);
    outer->setLayout(layout);
}
