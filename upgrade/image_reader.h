#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// An upgrade image ("*.ADS"): a 112-byte encrypted header, then a chain of
// plain 12-byte section descriptors, each locating its data by file offset.
// Numbers are little-endian. Paths are byte strings in the platform's
// file-name encoding (QFile::encodeName); every operation opens and closes
// the file itself, so no handle stays open between blocks.

constexpr int image_header_size = 112;
constexpr quint32 first_descriptor_offset = 112;
// Bounds any walk of a chain, so a looping chain cannot hang a reader.
constexpr int max_image_sections = 4096;
// Decrypted header bytes 58 to 65 of every image.
extern const char image_signature[8];

struct image_header_t {
    quint8 reserved_0[4];
    quint32 end_offset;
    quint8 reserved_8[4];
    qint32 image_id;
    quint8 reserved_16[42];
    char signature[8];
    quint8 reserved_66[46];
};
static_assert(sizeof(image_header_t) == image_header_size, "header layout");

struct section_descriptor_t {
    quint32 type;
    quint32 data_offset;
    quint32 data_length;
};
static_assert(sizeof(section_descriptor_t) == 12, "descriptor layout");

struct image_acceptance_t {
    qint32 expected_id = 700;
    qint32 min_id = 0;
    qint32 max_id = 0;
    bool range_mode = false;
};

void set_image_acceptance(qint32 expected_id, qint32 min_id, qint32 max_id, bool range_mode);
image_acceptance_t image_acceptance();
// Whether the acceptance values admit this image number.
bool image_id_accepted(qint32 image_id);
bool image_id_admitted(const image_acceptance_t& rule, qint32 image_id);

// Reads and decrypts the header into the caller's buffer (left there whatever
// the result) and tells whether its signature and image number are accepted.
bool check_image_header(const QByteArray& path, image_header_t& header);
// False, leaving the descriptor as it was, unless all 12 bytes were read.
bool read_section_descriptor(const QByteArray& path, section_descriptor_t& descriptor,
                             quint32 offset);
// Whether the file still holds this descriptor at offset and all its data.
bool section_still_in_image(const QByteArray& path, quint32 offset,
                            const section_descriptor_t& descriptor);
// True when all count bytes were read; bytes not delivered are left as they were.
bool read_image_bytes(const QByteArray& path, quint32 offset, quint32 count, char* buffer);

// Section types, by the low byte of a descriptor's type.
enum section_type_t : quint8 {
    section_application = 1,
    section_bootloader = 3,
    section_product = 5,
    section_manufacturer = 6,
    section_pid = 8,
    section_vid = 9,
    section_product_id = 10,
};

// An identity command is the prefix then the data, at most this many bytes.
constexpr int identity_command_size = 100;
// Command prefix of an identity section type (low byte), or nullptr.
const char* identity_prefix(quint8 type);
// Data bytes an identity command with this prefix has room for.
inline int identity_room(const char* prefix) {
    return identity_command_size - int(qstrlen(prefix));
}

// Why a file cannot be sent to the attached unit; image_ok when it can.
enum image_verdict_t {
    image_ok,
    image_unreadable,
    image_bad_signature,
    image_not_accepted,
    image_descriptor_past_end,
    image_data_past_end,
    image_chain_overshoots,
    image_chain_too_long,
    image_identity_too_long,
};

// check_image_header, then the whole chain against the file's size. The chain
// read (up to the first fault) goes to *chain when given.
image_verdict_t validate_image(const QByteArray& path, QVector<section_descriptor_t>* chain);
QString image_verdict_text(image_verdict_t verdict);
