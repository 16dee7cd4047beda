#pragma once

#include <QByteArray>

#include "upgrade/image_reader.h"

// What the dialog and kvtctl do alike before a run.

// Takes the attached unit's rule for the image numbers it accepts; a unit that
// gives none leaves the rule as it was.
void accept_images_of_attached_unit();

// The verdict on the image at path (in the form files are opened); an image
// that can be sent becomes, with its chain as checked, the one the next run sends.
image_verdict_t choose_upgrade_image(const QByteArray& path);
