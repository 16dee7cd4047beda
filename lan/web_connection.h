#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>

#include "lan/web_request.h"
#include "lan/web_response.h"

class QTcpSocket;

// One admitted client: reads a single bounded request, then answers it and
// closes, or holds the connection open as an event stream.
class web_connection_t : public QObject {
public:
    // request gets the request once whole; nothing more is read after it.
    web_connection_t(qintptr descriptor, const QHostAddress& peer,
                     std::function<void(web_connection_t&, const web_request_t&)> request,
                     QObject* parent);

    const QHostAddress& peer() const { return from; }
    // Where the client reached kvt-lan, an IPv4-mapped address as IPv4.
    QHostAddress local() const;
    quint16 local_port() const;
    bool is_stream() const { return streaming; }
    // Answers and closes.
    void respond(const web_response_t& response);
    // Turns the connection into an event stream.
    void start_stream();
    // Queues an event; a reader that has left too much unread is dropped.
    void send_event(const QByteArray& event);
    void close();

    // Called once, when the connection has closed.
    std::function<void(web_connection_t*)> closed;

private:
    void read_more();

    QTcpSocket* socket;
    const QHostAddress from;
    std::function<void(web_connection_t&, const web_request_t&)> on_request;
    QByteArray received;
    QTimer idle;
    bool answered = false;
    bool streaming = false;
    bool ended = false;
};
