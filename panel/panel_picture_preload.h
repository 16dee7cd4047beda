#pragma once

#include <QSize>
#include <QString>

// The item a panel picture is stretched over, in device-independent pixels.
inline constexpr QSize panel_item_size(643, 260);

// Decoding a panel picture on a pool thread lets start-up go on meanwhile; the
// style sheet's border-image rule then finds the picture in the pixmap cache
// instead of decoding it on the GUI thread.

// The copy of a picture drawn for a screen of the given device pixel ratio,
// beside it: at the item's size (1x/) up to ratio 1, at twice it (2x/) above.
// Sharp on that screen, at a seventeenth or a quarter of the full picture's
// memory and decoding time.
QString screen_sized_copy(const QString& picture, qreal device_pixel_ratio);

// Starts decoding the copy for the primary screen on a pool thread. Without
// the copy the rule decodes the picture.
void preload_panel_picture(const QString& picture);

// Waits a bounded time for a preloaded picture and files it in the pixmap
// cache where the rule looks first. Call on the GUI thread before the item
// with the rule is polished; does nothing for a picture not preloaded.
void hand_over_preloaded_picture(const QString& picture);

// The pixmap cache key under which QPixmap::load looks a file up.
QString pixmap_load_key(const QString& picture);
