#include "upgrade/image_reader.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QtEndian>
#include <cstring>

#include "upgrade/des_cipher.h"

const char image_signature[8] = {'Q', 'R', 'X', '4', '8', '2', '9', '\0'};

namespace {

// Written on the GUI thread, read by the worker as well.
QMutex acceptance_mutex;
image_acceptance_t acceptance;

// Each public read opens and closes the file; a walk over the whole image
// reads through one opening.
bool open_image(const QByteArray& path, QFile& file) {
    file.setFileName(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly);
}

// Bytes read at offset, or -1 when the file cannot be positioned.
qint64 read_at(QFile& file, quint32 offset, quint32 count, char* buffer) {
    return file.seek(offset) ? file.read(buffer, count) : -1;
}

image_verdict_t read_header(QFile& file, image_header_t& header) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&header);
    if (read_at(file, 0, image_header_size, reinterpret_cast<char*>(bytes)) != image_header_size) {
        return image_unreadable;
    }
    image_decrypt(bytes, bytes, image_header_size);
    header.end_offset = qFromLittleEndian(header.end_offset);
    header.image_id = qFromLittleEndian(header.image_id);
    if (std::memcmp(header.signature, image_signature, sizeof image_signature) != 0) {
        return image_bad_signature;
    }
    return image_id_accepted(header.image_id) ? image_ok : image_not_accepted;
}

// A descriptor the file cannot deliver whole leaves the given one unchanged.
bool read_descriptor(QFile& file, section_descriptor_t& descriptor, quint32 offset) {
    uchar bytes[sizeof(section_descriptor_t)];
    if (read_at(file, offset, sizeof bytes, reinterpret_cast<char*>(bytes)) != sizeof bytes) {
        return false;
    }
    descriptor.type = qFromLittleEndian<quint32>(bytes);
    descriptor.data_offset = qFromLittleEndian<quint32>(bytes + 4);
    descriptor.data_length = qFromLittleEndian<quint32>(bytes + 8);
    return true;
}

struct identity_entry_t {
    quint8 type;
    const char* prefix;
};

const identity_entry_t identity_prefixes[] = {
    {section_product, "SYSTem:DEVice:PRODUCTUG "},
    {section_manufacturer, "SYSTem:DEVice:MANUFTRUG "},
    {section_pid, "SYSTem:DEVice:PIDUG "},
    {section_vid, "SYSTem:DEVice:VIDUG "},
    {section_product_id, "SYSTem:DEVice:PRODUCTUG:ID "},
};

}  // namespace

void set_image_acceptance(qint32 expected_id, qint32 min_id, qint32 max_id, bool range_mode) {
    QMutexLocker lock(&acceptance_mutex);
    acceptance = {expected_id, min_id, max_id, range_mode};
}

image_acceptance_t image_acceptance() {
    QMutexLocker lock(&acceptance_mutex);
    return acceptance;
}

bool image_id_accepted(qint32 image_id) {
    return image_id_admitted(image_acceptance(), image_id);
}

bool image_id_admitted(const image_acceptance_t& rule, qint32 image_id) {
    return rule.range_mode ? (image_id >= rule.min_id && image_id <= rule.max_id)
                           : image_id == rule.expected_id;
}

bool check_image_header(const QByteArray& path, image_header_t& header) {
    QFile file;
    return open_image(path, file) && read_header(file, header) == image_ok;
}

bool read_section_descriptor(const QByteArray& path, section_descriptor_t& descriptor,
                             quint32 offset) {
    QFile file;
    return open_image(path, file) && read_descriptor(file, descriptor, offset);
}

bool section_still_in_image(const QByteArray& path, quint32 offset,
                            const section_descriptor_t& descriptor) {
    QFile file;
    section_descriptor_t stored{};
    return open_image(path, file) && read_descriptor(file, stored, offset) &&
           stored.type == descriptor.type && stored.data_offset == descriptor.data_offset &&
           stored.data_length == descriptor.data_length &&
           qint64(descriptor.data_offset) + descriptor.data_length <= file.size();
}

bool read_image_bytes(const QByteArray& path, quint32 offset, quint32 count, char* buffer) {
    QFile file;
    return open_image(path, file) && read_at(file, offset, count, buffer) == qint64(count);
}

const char* identity_prefix(quint8 type) {
    for (const identity_entry_t& entry : identity_prefixes) {
        if (entry.type == type) {
            return entry.prefix;
        }
    }
    return nullptr;
}

image_verdict_t validate_image(const QByteArray& path, QVector<section_descriptor_t>* chain) {
    if (chain != nullptr) {
        chain->clear();
    }
    QFile file;
    if (!open_image(path, file)) {
        return image_unreadable;
    }
    image_header_t header;
    const image_verdict_t header_verdict = read_header(file, header);
    if (header_verdict != image_ok) {
        return header_verdict;
    }
    const qint64 size = file.size();
    // Offsets are summed in 64 bits: a sum past 32 bits is past any end_offset.
    qint64 offset = first_descriptor_offset;
    for (int i = 0; i < max_image_sections; ++i) {
        if (offset + qint64(sizeof(section_descriptor_t)) > size) {
            return image_descriptor_past_end;
        }
        section_descriptor_t descriptor{};
        read_descriptor(file, descriptor, quint32(offset));
        if (chain != nullptr) {
            chain->append(descriptor);
        }
        const qint64 end = qint64(descriptor.data_offset) + descriptor.data_length;
        if (end > size) {
            return image_data_past_end;
        }
        const char* prefix = identity_prefix(quint8(descriptor.type));
        if (prefix != nullptr && descriptor.data_length > quint32(identity_room(prefix))) {
            return image_identity_too_long;
        }
        if (end == header.end_offset) {
            return image_ok;
        }
        if (end > header.end_offset) {
            return image_chain_overshoots;
        }
        offset = end;
    }
    return image_chain_too_long;
}

QString image_verdict_text(image_verdict_t verdict) {
    switch (verdict) {
        case image_ok:
            return QStringLiteral("The image can be sent to this unit.");
        case image_unreadable:
            return QStringLiteral("The file cannot be read or is too short to be an image.");
        case image_bad_signature:
            return QStringLiteral("The file is not an upgrade image for this product.");
        case image_not_accepted:
            return QStringLiteral("This unit does not accept the image's number.");
        case image_descriptor_past_end:
            return QStringLiteral("A section descriptor lies past the end of the file.");
        case image_data_past_end:
            return QStringLiteral("A section's data runs past the end of the file.");
        case image_chain_overshoots:
            return QStringLiteral("The sections run past the image's declared end.");
        case image_chain_too_long:
            return QStringLiteral("The sections never reach the image's declared end.");
        case image_identity_too_long:
            return QStringLiteral("An identity text is too long for its command.");
    }
    return QString();
}
