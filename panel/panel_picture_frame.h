#pragma once

#include <QString>

class QFrame;

// Puts a model panel's picture frame into its outer frame: the picture comes
// from the item's own style sheet rule, and the item keeps the picture's size.
void install_panel_item(QFrame* outer, QFrame* item, const QString& object_name,
                        const QString& picture_rule);
