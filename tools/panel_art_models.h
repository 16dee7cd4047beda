#pragma once

#include <QImage>

// Front panels of the two models, at the pixel sizes the panels load.
QImage draw_kvt0402q();
QImage draw_kvt0206q();
