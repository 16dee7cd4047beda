#pragma once

#include <rpc/rpc.h>

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "lan/rpc_message.h"
#include "lan/rpc_record.h"

class rpc_connection_t;

// The answer to one call, sent on its connection while that is open.
class rpc_reply_t {
public:
    rpc_reply_t(rpc_connection_t* connection, quint32 xid, quint64 number, xdrproc_t encode)
        : connection(connection), xid(xid), number(number), encode(encode) {}

    void send(const void* result) const;
    void refuse(rpc_refusal_t refusal) const;
    // False once the connection has closed: nobody waits for the answer.
    bool open() const;

private:
    QPointer<rpc_connection_t> connection;
    quint32 xid;
    quint64 number;
    xdrproc_t encode;
};

// One client's connection. Its calls are taken one at a time, in the order
// they came, and each is answered before the next is read, so every reply
// follows its own call. A client that stops reading replies is served no
// more until it reads them; one that sends nothing for a while is closed.
class rpc_connection_t : public QObject {
    Q_OBJECT
public:
    // Handed each call record with its number on this connection; the call
    // is answered with reply() under that number, now or later.
    using dispatch_t = std::function<void(rpc_connection_t&, QByteArray record, quint64 number)>;

    rpc_connection_t(qintptr descriptor, quint64 id, const QHostAddress& peer, dispatch_t dispatch,
                     QObject* parent);

    quint64 id() const { return number_of_connection; }
    const QHostAddress& peer() const { return peer_address; }
    // Sends the record as the reply to call number, if that call is the one
    // in progress; an empty record closes the connection instead.
    void reply(quint64 number, const QByteArray& record);
    // Ends the connection and every call on it.
    void close();
    bool is_open() const { return !ended; }

signals:
    void closed(rpc_connection_t* connection);

private:
    void take_calls();

    const quint64 number_of_connection;
    const QHostAddress peer_address;
    dispatch_t dispatch;
    QTcpSocket socket;
    rpc_record_reader_t reader;
    QTimer idle;
    quint64 calls = 0;
    bool calling = false;
    bool taking = false;
    bool ended = false;
};
