#include "lan/rpc_record.h"

#include <QIODevice>

namespace {

constexpr quint32 last_fragment_bit = 0x80000000u;

}  // namespace

rpc_record_reader_t::status_t rpc_record_reader_t::read_from(QIODevice& stream) {
    while (!done) {
        if (!in_fragment) {
            const qint64 got =
                stream.read(header + header_filled, qint64(sizeof header) - header_filled);
            if (got <= 0) {
                return incomplete;
            }
            header_filled += int(got);
            if (header_filled < int(sizeof header)) {
                return incomplete;
            }
            header_filled = 0;
            const quint32 mark = quint32(quint8(header[0])) << 24 |
                                 quint32(quint8(header[1])) << 16 |
                                 quint32(quint8(header[2])) << 8 | quint32(quint8(header[3]));
            last_fragment = (mark & last_fragment_bit) != 0;
            fragment_left = mark & ~last_fragment_bit;
            if (fragment_left > quint32(max_size - record.size())) {
                return too_long;
            }
            in_fragment = true;
        }
        if (fragment_left > 0) {
            const int at = record.size();
            record.resize(at + int(fragment_left));
            const qint64 got = stream.read(record.data() + at, qint64(fragment_left));
            record.resize(at + int(qMax<qint64>(got, 0)));
            if (got <= 0) {
                return incomplete;
            }
            fragment_left -= quint32(got);
        }
        if (fragment_left == 0) {
            in_fragment = false;
            done = last_fragment;
        }
    }
    return complete;
}

QByteArray rpc_record_reader_t::take() {
    QByteArray whole;
    whole.swap(record);
    done = false;
    return whole;
}

QByteArray rpc_record(const QByteArray& body) {
    const quint32 mark = last_fragment_bit | quint32(body.size());
    QByteArray framed;
    framed.reserve(4 + body.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        framed.append(char((mark >> shift) & 0xFF));
    }
    return framed + body;
}
