#pragma once

#include <QString>
#include <QStringList>

// Concatenates the style-sheet resources; an unreadable one adds nothing.
QString load_style_sheet(const QStringList& resources);

// Registers the font and makes its first family the application font; a font
// that cannot be registered leaves the application font unchanged.
void install_application_font(const QString& resource);
