// Feeds arbitrary bytes to the image reader as a file: the chain walk must
// end, stay inside the file, and agree with the bytes when it accepts them.
#include <QTemporaryFile>
#include <QtEndian>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "upgrade/image_reader.h"

namespace {

void expect(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "image reader fault: %s\n", what);
        std::abort();
    }
}

quint32 le32(const quint8* data, qint64 at) {
    return qFromLittleEndian<quint32>(data + at);
}

bool identity_fits(const section_descriptor_t& s) {
    const char* prefix = identity_prefix(quint8(s.type));
    return prefix == nullptr ||
           qint64(s.data_length) + qint64(std::strlen(prefix)) <= identity_command_size;
}

// Replays the chain from the raw bytes and holds the reader to its verdict.
void check_chain(const QByteArray& path, const quint8* data, qint64 size,
                 const QVector<section_descriptor_t>& chain, image_verdict_t verdict) {
    image_header_t header;
    check_image_header(path, header);
    qint64 offset = first_descriptor_offset;
    for (int i = 0; i < chain.size(); ++i) {
        const section_descriptor_t& s = chain[i];
        expect(offset + 12 <= size, "descriptor read past the end");
        expect(s.type == le32(data, offset) && s.data_offset == le32(data, offset + 4) &&
                   s.data_length == le32(data, offset + 8),
               "descriptor differs from the file");
        const qint64 end = qint64(s.data_offset) + s.data_length;
        const bool last = i == chain.size() - 1;
        if (!last || verdict == image_ok) {
            expect(end <= size, "data past the end accepted");
            expect(identity_fits(s), "oversize identity accepted");
            QByteArray bytes(int(s.data_length), '\0');
            expect(read_image_bytes(path, s.data_offset, s.data_length, bytes.data()) &&
                       std::memcmp(bytes.constData(), data + s.data_offset, s.data_length) == 0,
                   "section data differs from the file");
        }
        if (!last) {
            expect(end < header.end_offset, "walk went on past its end");
        } else if (verdict == image_ok) {
            expect(end == header.end_offset, "accepted chain misses its end");
        }
        offset = end;
    }
    if (verdict == image_descriptor_past_end) {
        expect(offset + 12 > size, "descriptor refused inside the file");
    }
    if (verdict == image_chain_too_long) {
        expect(chain.size() == max_image_sections, "chain cut short");
    }
    if (verdict == image_data_past_end) {
        expect(offset > size, "data refused inside the file");
    }
    if (verdict == image_identity_too_long) {
        expect(!identity_fits(chain.last()), "identity refused though it fits");
    }
    if (verdict == image_chain_overshoots) {
        expect(offset > header.end_offset, "chain refused before its end");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size) {
    static QTemporaryFile file;
    if (!file.isOpen() && !file.open()) {
        std::abort();
    }
    file.resize(0);
    file.seek(0);
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.flush();
    const QByteArray path = QFile::encodeName(file.fileName());

    // Every number passes, so the walk is reached whenever the signature is right.
    set_image_acceptance(0, INT_MIN, INT_MAX, true);
    QVector<section_descriptor_t> chain;
    const image_verdict_t verdict = validate_image(path, &chain);
    expect(chain.size() <= max_image_sections, "walk not bounded");
    expect(verdict != image_ok || !chain.isEmpty(), "accepted an empty chain");
    check_chain(path, data, qint64(size), chain, verdict);
    return 0;
}
