#pragma once

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

#include "upgrade/image_reader.h"

// Builds upgrade images, for the image tool and the tests.

struct image_section_t {
    quint32 type;
    QByteArray data;
};

// The 112 header bytes as stored: numbers little-endian, encrypted with image_key.
QByteArray encrypt_image_header(const image_header_t& header);
// A valid image: each section's descriptor followed by its data, in the order
// given, and a header whose end_offset closes the chain after the last one.
QByteArray make_image(qint32 image_id, const QVector<image_section_t>& sections);
