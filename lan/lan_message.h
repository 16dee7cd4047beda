#pragma once

#include <QByteArray>
#include <QtGlobal>

// How a client's writes make up the messages a unit gets, and how its reads
// take a unit's answer.

// A write completes its message with the END flag, or with data that ends in
// a line feed: some clients leave END off writes longer than a kilobyte, and
// a unit's command never goes on past its line end. A read completes a
// message too.
bool lan_message_complete(const QByteArray& data, bool end);

// Reasons a read ends, as VXI-11 flags them.
constexpr int lan_reason_request_count = 1;
constexpr int lan_reason_term_char = 2;
constexpr int lan_reason_end = 4;

struct lan_read_t {
    QByteArray data;
    int reason = 0;
};

// Takes a read's share of the answer: at most request_size bytes (and no
// more than a message), up to and with the termination character when one is
// set. The rest stays for the next read; the answer's last byte ends it.
lan_read_t lan_take_read(QByteArray& answer, quint32 request_size, bool term_char_set,
                         char term_char);
