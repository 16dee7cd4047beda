#include "lan/web_connection.h"

#include <sys/socket.h>

#include <QTcpSocket>

#include "lan/lan_limits.h"

namespace {

// Events a reader may leave unread before it is dropped.
constexpr qint64 max_unread_events = 64 * 1024;
// How long a client has to close after its answer.
constexpr int linger_ms = 2000;

}  // namespace

web_connection_t::web_connection_t(
    qintptr descriptor, const QHostAddress& peer,
    std::function<void(web_connection_t&, const web_request_t&)> request, QObject* parent)
    : QObject(parent), socket(new QTcpSocket(this)), from(peer), on_request(std::move(request)) {
    socket->setSocketDescriptor(descriptor);
    connect(socket, &QTcpSocket::readyRead, this, &web_connection_t::read_more);
    connect(socket, &QTcpSocket::disconnected, this, &web_connection_t::close);
    // A client that sends nothing whole for this long is closed; a stream
    // is not idle while it is served.
    idle.setSingleShot(true);
    connect(&idle, &QTimer::timeout, this, &web_connection_t::close);
    idle.start(lan_idle_connection_ms);
    if (socket->state() != QAbstractSocket::ConnectedState) {
        QTimer::singleShot(0, this, &web_connection_t::close);
    }
}

void web_connection_t::read_more() {
    if (answered) {
        // One request per connection: what follows is not read.
        socket->read(socket->bytesAvailable());
        return;
    }
    received += socket->read(web_max_head + web_max_body + 1 - received.size());
    web_request_t request;
    const web_parse_t parsed = parse_web_request(received, request);
    if (parsed.state == web_parse_t::incomplete) {
        if (received.size() > web_max_head + web_max_body) {
            respond(web_problem(413, QStringLiteral("request too large")));
        }
        return;
    }
    answered = true;
    received.clear();
    if (parsed.state == web_parse_t::failed) {
        respond(web_problem(parsed.status, parsed.detail));
        return;
    }
    on_request(*this, request);
}

void web_connection_t::respond(const web_response_t& response) {
    answered = true;
    if (ended) {
        return;
    }
    // The write side closes once the answer is out; what the client still
    // sends is read and dropped, so its unread bytes do not reset the
    // connection before it has the answer.
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (socket->bytesToWrite() == 0) {
            ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
        }
    });
    socket->write(web_response_bytes(response));
    socket->flush();
    idle.start(linger_ms);
}

void web_connection_t::start_stream() {
    streaming = true;
    idle.stop();
    socket->write(web_event_stream_head());
}

void web_connection_t::send_event(const QByteArray& event) {
    if (ended) {
        return;
    }
    if (socket->bytesToWrite() > max_unread_events) {
        close();
        return;
    }
    socket->write(event);
}

void web_connection_t::close() {
    if (ended) {
        return;
    }
    ended = true;
    idle.stop();
    socket->abort();
    if (closed) {
        closed(this);
    }
}

QHostAddress web_connection_t::local() const {
    const QHostAddress address = socket->localAddress();
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4) : address;
}

quint16 web_connection_t::local_port() const {
    return socket->localPort();
}
