#include "lan/vxi11_registration.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <rpc/rpc.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QList>
#include <QNetworkInterface>

#include "lan/rpc_message.h"
#include "vxi11.h"

namespace {

constexpr int connect_ms = 1000;
constexpr timeval call_wait = {2, 0};
constexpr unsigned short rpcbind_port = 111;

sockaddr_in socket_address(const QHostAddress& address, quint16 port) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(address.toIPv4Address());
    at.sin_port = htons(port);
    return at;
}

// An RPC client on a connection made within connect_ms, or null.
CLIENT* client_at(const QHostAddress& address, quint16 port, rpcprog_t program, rpcvers_t version) {
    sockaddr_in at = socket_address(address, port);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    int error = 0;
    socklen_t length = sizeof error;
    pollfd ready{fd, POLLOUT, 0};
    const bool connected =
        (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 ||
         (errno == EINPROGRESS && poll(&ready, 1, connect_ms) == 1 &&
          getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)) &&
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
    netbuf server{sizeof at, sizeof at, &at};
    CLIENT* client = connected ? clnt_vc_create(fd, &server, program, version, 0, 0) : nullptr;
    if (client == nullptr) {
        close(fd);
        return nullptr;
    }
    clnt_control(client, CLSET_FD_CLOSE, nullptr);
    return client;
}

bool answers_null_call(const QHostAddress& address, quint16 port) {
    CLIENT* client = client_at(address, port, DEVICE_CORE, DEVICE_CORE_VERSION);
    if (client == nullptr) {
        return false;
    }
    const bool answered = clnt_call(client, NULLPROC, rpc_xdr_nothing(), nullptr, rpc_xdr_nothing(),
                                    nullptr, call_wait) == RPC_SUCCESS;
    clnt_destroy(client);
    return answered;
}

// The universal address "h1.h2.h3.h4.p1.p2" as address and port.
bool parse_universal(const QByteArray& text, QHostAddress& address, quint16& port) {
    const QList<QByteArray> fields = text.split('.');
    bool ok = fields.size() == 6;
    const int high = ok ? fields[4].toInt(&ok) : 0;
    const int low = ok ? fields[5].toInt(&ok) : 0;
    if (!ok || high < 0 || high > 255 || low < 0 || low > 255 ||
        !address.setAddress(QString::fromLatin1(fields.mid(0, 4).join('.')))) {
        return false;
    }
    port = quint16(high << 8 | low);
    return true;
}

// rpcbind hands clients an address of its own choosing, so its list is read
// for the address the server gave: the core channel's entries, as address
// and port.
QList<QPair<QHostAddress, quint16>> core_entries(const QHostAddress& address) {
    QList<QPair<QHostAddress, quint16>> found;
    CLIENT* binder = client_at(address, rpcbind_port, RPCBPROG, RPCBVERS4);
    if (binder == nullptr) {
        return found;
    }
    rpcblist_ptr entries = nullptr;
    const clnt_stat status = clnt_call(binder, RPCBPROC_DUMP, rpc_xdr_nothing(), nullptr,
                                       reinterpret_cast<xdrproc_t>(xdr_rpcblist_ptr),
                                       reinterpret_cast<char*>(&entries), call_wait);
    for (const rp__list* entry = status == RPC_SUCCESS ? entries : nullptr; entry != nullptr;
         entry = entry->rpcb_next) {
        const rpcb& map = entry->rpcb_map;
        QHostAddress at;
        quint16 port = 0;
        if (map.r_prog == DEVICE_CORE && map.r_vers == DEVICE_CORE_VERSION &&
            qstrcmp(map.r_netid, "tcp") == 0 && map.r_addr != nullptr &&
            parse_universal(map.r_addr, at, port)) {
            found.append({at, port});
        }
    }
    if (status == RPC_SUCCESS) {
        clnt_freeres(binder, reinterpret_cast<xdrproc_t>(xdr_rpcblist_ptr),
                     reinterpret_cast<char*>(&entries));
    }
    clnt_destroy(binder);
    return found;
}

bool set_entry(netconfig* tcp, const QHostAddress& address, quint16 port) {
    sockaddr_in at = socket_address(address, port);
    netbuf server{sizeof at, sizeof at, &at};
    return rpcb_set(DEVICE_CORE, DEVICE_CORE_VERSION, tcp, &server);
}

}  // namespace

bool vxi11_registration_t::held_elsewhere(const QHostAddress& address) {
    QList<QHostAddress> locals = {address, QHostAddress(QHostAddress::LocalHost)};
    for (const QHostAddress& local : QNetworkInterface::allAddresses()) {
        if (local.protocol() == QAbstractSocket::IPv4Protocol) {
            locals.append(local);
        }
    }
    for (const auto& entry : core_entries(address)) {
        QList<QHostAddress> asked;
        for (const QHostAddress& candidate : QList<QHostAddress>{entry.first} + locals) {
            if (candidate != QHostAddress(QHostAddress::AnyIPv4) && !asked.contains(candidate)) {
                asked.append(candidate);
                if (answers_null_call(candidate, entry.second)) {
                    return true;
                }
            }
        }
    }
    return false;
}

vxi11_taken_t vxi11_registration_t::take(const QHostAddress& address, quint16 port) {
    netconfig* tcp = getnetconfigent("tcp");
    if (tcp == nullptr) {
        return vxi11_taken_t::failed;
    }
    // rpcbind refuses an entry for a program it lists already, so of two
    // servers setting theirs at once only one succeeds.
    bool set = set_entry(tcp, address, port);
    if (!set && held_elsewhere(address)) {
        freenetconfigent(tcp);
        return vxi11_taken_t::held_elsewhere;
    }
    if (!set) {
        // An entry left by a server that was killed would send clients nowhere.
        rpcb_unset(DEVICE_CORE, DEVICE_CORE_VERSION, tcp);
        set = set_entry(tcp, address, port);
    }
    freenetconfigent(tcp);
    if (!set) {
        return vxi11_taken_t::failed;
    }
    own = {address, port};
    registered = true;
    return vxi11_taken_t::taken;
}

vxi11_registration_t::~vxi11_registration_t() {
    // Another server that found this one gone may have entered itself since:
    // its entry stays.
    if (!registered || !core_entries(own.first).contains(own)) {
        return;
    }
    netconfig* tcp = getnetconfigent("tcp");
    if (tcp != nullptr) {
        rpcb_unset(DEVICE_CORE, DEVICE_CORE_VERSION, tcp);
        freenetconfigent(tcp);
    }
}
