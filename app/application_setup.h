#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <memory>

// Concatenates the style-sheet resources; an unreadable one adds nothing.
QString load_style_sheet(const QStringList& resources);

// Registers the font and makes its first family the application font; a font
// that cannot be registered leaves the application font unchanged.
void install_application_font(const QString& resource);

// The window icon holds several images, a PNG among them; a pool thread reads
// them while the window is built.
class window_icon_reading_t {
public:
    // Starts reading an icon file on a pool thread.
    explicit window_icon_reading_t(const QString& file);

    // The icon read; waits a bounded time, past which the file is read here.
    QIcon icon() const;

private:
    struct images_t;
    QString file;
    std::shared_ptr<images_t> images;
};
