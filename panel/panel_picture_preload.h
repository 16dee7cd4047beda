#pragma once

#include <QString>

// Decoding a panel picture is most of what start-up adds to an empty window.
// Started on a pool thread as soon as the application exists, it overlaps the
// building of the window; the style sheet's border-image rule then finds the
// picture in the pixmap cache instead of decoding it on the GUI thread.

// Starts decoding a picture on a pool thread.
void preload_panel_picture(const QString& picture);

// Waits a bounded time for a preloaded picture and files it in the pixmap
// cache where the rule looks first. Call on the GUI thread before the item
// with the rule is polished; does nothing for a picture not preloaded.
void hand_over_preloaded_picture(const QString& picture);

// The pixmap cache key under which QPixmap::load looks a file up.
QString pixmap_load_key(const QString& picture);
