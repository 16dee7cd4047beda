#include "lan/lan_message.h"

#include <algorithm>

#include "lan/lan_limits.h"

bool lan_message_complete(const QByteArray& data, bool end) {
    return end || data.endsWith('\n');
}

lan_read_t lan_take_read(QByteArray& answer, quint32 request_size, bool term_char_set,
                         char term_char) {
    lan_read_t read;
    int size =
        int(std::min<quint32>({request_size, quint32(lan_max_message), quint32(answer.size())}));
    if (term_char_set) {
        const int at = answer.indexOf(term_char);
        if (at >= 0 && at < size) {
            size = at + 1;
            read.reason |= lan_reason_term_char;
        }
    }
    read.data = answer.left(size);
    answer.remove(0, size);
    if (answer.isEmpty()) {
        read.reason |= lan_reason_end;
    }
    if (quint32(size) == request_size) {
        read.reason |= lan_reason_request_count;
    }
    return read;
}
