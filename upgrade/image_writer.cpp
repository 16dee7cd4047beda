#include "upgrade/image_writer.h"

#include <QtEndian>
#include <cstring>

#include "upgrade/des_cipher.h"

namespace {

void append_le(QByteArray& out, quint32 value) {
    uchar bytes[4];
    qToLittleEndian(value, bytes);
    out.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace

QByteArray encrypt_image_header(const image_header_t& header) {
    image_header_t plain = header;
    plain.end_offset = qToLittleEndian(header.end_offset);
    plain.image_id = qToLittleEndian(header.image_id);
    QByteArray out(image_header_size, '\0');
    auto* bytes = reinterpret_cast<std::uint8_t*>(out.data());
    des_crypt(bytes, reinterpret_cast<const std::uint8_t*>(&plain), image_header_size, image_key,
              sizeof image_key, false);
    return out;
}

QByteArray make_image(qint32 image_id, const QVector<image_section_t>& sections) {
    QByteArray body;
    for (const image_section_t& section : sections) {
        const quint32 data_offset =
            first_descriptor_offset + body.size() + sizeof(section_descriptor_t);
        append_le(body, section.type);
        append_le(body, data_offset);
        append_le(body, section.data.size());
        body.append(section.data);
    }
    image_header_t header{};
    header.end_offset = first_descriptor_offset + body.size();
    header.image_id = image_id;
    std::memcpy(header.signature, image_signature, sizeof header.signature);
    return encrypt_image_header(header) + body;
}
