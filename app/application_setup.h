#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

#include "panel/image_preload.h"

// Concatenates the style-sheet resources; an unreadable one adds nothing.
QString load_style_sheet(const QStringList& resources);

// Registers the font and makes its first family the application font; a font
// that cannot be registered leaves the application font unchanged.
void install_application_font(const QString& resource);

// The icon made of a preloaded icon file's images; past the preload's wait,
// the icon read from the file here.
QIcon preloaded_icon(const image_preload_t& preload);
