#include "lan/rpc_connection.h"

#include "lan/lan_limits.h"

void rpc_reply_t::send(const void* result) const {
    if (connection) {
        connection->reply(number, rpc_result_reply(xid, encode, result));
    }
}

void rpc_reply_t::refuse(rpc_refusal_t refusal) const {
    if (connection) {
        connection->reply(number, rpc_refusal_reply(xid, refusal));
    }
}

bool rpc_reply_t::open() const {
    return connection && connection->is_open();
}

rpc_connection_t::rpc_connection_t(qintptr descriptor, quint64 id, const QHostAddress& peer,
                                   dispatch_t dispatch, QObject* parent)
    : QObject(parent),
      number_of_connection(id),
      peer_address(peer),
      dispatch(std::move(dispatch)),
      reader(lan_max_record) {
    // Qt reads no further ahead than one record while a call is in progress.
    socket.setReadBufferSize(lan_max_record);
    idle.setSingleShot(true);
    idle.setInterval(lan_idle_connection_ms);
    connect(&idle, &QTimer::timeout, this, [this] {
        // A call that waits (for a lock, at most as long) keeps the connection.
        if (calling) {
            idle.start();
        } else {
            close();
        }
    });
    connect(&socket, &QTcpSocket::readyRead, this, &rpc_connection_t::take_calls);
    connect(&socket, &QTcpSocket::bytesWritten, this, &rpc_connection_t::take_calls);
    connect(&socket, &QTcpSocket::disconnected, this, &rpc_connection_t::close);
    if (!socket.setSocketDescriptor(descriptor)) {
        QTimer::singleShot(0, this, &rpc_connection_t::close);
        return;
    }
    idle.start();
    QTimer::singleShot(0, this, &rpc_connection_t::take_calls);
}

void rpc_connection_t::take_calls() {
    if (taking) {
        return;
    }
    taking = true;
    // A reply given at once, within dispatch, lets the loop take the next call.
    while (!calling && !ended && socket.bytesToWrite() <= lan_max_record) {
        const rpc_record_reader_t::status_t status = reader.read_from(socket);
        if (status == rpc_record_reader_t::too_long) {
            close();
        }
        if (status != rpc_record_reader_t::complete) {
            break;
        }
        calling = true;
        idle.start();
        dispatch(*this, reader.take(), ++calls);
    }
    taking = false;
}

void rpc_connection_t::reply(quint64 number, const QByteArray& record) {
    if (ended || !calling || number != calls) {
        return;
    }
    if (record.isEmpty()) {
        close();
        return;
    }
    socket.write(record);
    calling = false;
    take_calls();
}

void rpc_connection_t::close() {
    if (ended) {
        return;
    }
    ended = true;
    idle.stop();
    socket.abort();
    emit closed(this);
}
