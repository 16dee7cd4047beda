#pragma once

#include <QString>

class QFrame;

// Puts a model panel's picture frame into its outer frame: the item's own
// style sheet rule draws the picture over it, and the item keeps the size the
// picture is drawn at.
void install_panel_item(QFrame* outer, QFrame* item, const QString& object_name,
                        const QString& picture);
