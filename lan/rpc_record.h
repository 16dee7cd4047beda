#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// ONC RPC record marking over TCP: a record is one or more fragments, each
// after a four-byte header holding its length and, in its top bit, whether
// it is the record's last.

// Gathers one record at a time from a stream, never more than max_size
// bytes of it; each read_from takes only what the record still lacks, so
// what follows it stays in the stream.
class rpc_record_reader_t {
public:
    enum status_t { incomplete, complete, too_long };

    explicit rpc_record_reader_t(int max_size) : max_size(max_size) {}

    status_t read_from(QIODevice& stream);
    // The record once read_from said complete; the reader starts the next.
    QByteArray take();

private:
    const int max_size;
    QByteArray record;
    char header[4] = {};
    int header_filled = 0;
    quint32 fragment_left = 0;
    bool in_fragment = false;
    bool last_fragment = false;
    bool done = false;
};

// The record holding body as its one fragment.
QByteArray rpc_record(const QByteArray& body);
