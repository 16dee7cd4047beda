#include "lan/lan_server.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpc.h>
#include <rpc/rpc_com.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "lan/vxi11_service.h"
#include "vxi11.h"

// The dispatch functions rpcgen writes; its header does not declare them.
extern "C" void device_core_1(svc_req* request, SVCXPRT* transport);
extern "C" void device_async_1(svc_req* request, SVCXPRT* transport);

namespace {

unsigned short abort_port = 0;

// The longest RPC record taken: a whole write and its headers. A client that
// announces a longer one loses its connection; libtirpc reads records
// without blocking once this is set, so a slow or silent client holds up no one.
constexpr int max_record = lan_max_message + 1024;
// Idle links are looked for at least this often.
constexpr int idle_check_ms = 1000;

int listen_on(const QHostAddress& address, unsigned short& port) {
    sockaddr_in socket_address{};
    socket_address.sin_family = AF_INET;
    socket_address.sin_addr.s_addr = htonl(address.toIPv4Address());
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t length = sizeof socket_address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&socket_address), length) != 0 ||
        listen(fd, SOMAXCONN) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&socket_address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(socket_address.sin_port);
    return fd;
}

// True when rpcbind names a port for the core channel and something answers there.
bool other_server_registered() {
    sockaddr_in binder{};
    binder.sin_family = AF_INET;
    binder.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const u_short port = pmap_getport(&binder, DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_TCP);
    if (port == 0) {
        return false;
    }
    sockaddr_in server = binder;
    server.sin_port = htons(port);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers =
        fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return answers;
}

}  // namespace

unsigned short lan_abort_port() {
    return abort_port;
}

lan_server_t::~lan_server_t() {
    if (registered) {
        svc_unregister(DEVICE_CORE, DEVICE_CORE_VERSION);
    }
}

bool lan_server_t::start(const QHostAddress& address, QString& error) {
    int record = max_record;
    rpc_control(RPC_SVC_CONNMAXREC_SET, &record);
    SVCXPRT* channels[2] = {};
    for (int i = 0; i < 2; ++i) {
        unsigned short port = 0;
        listeners[i] = listen_on(address, port);
        channels[i] = listeners[i] < 0 ? nullptr : svc_vc_create(listeners[i], 0, 0);
        if (channels[i] == nullptr) {
            error = QStringLiteral("cannot listen on %1: %2")
                        .arg(address.toString(), QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        // The portmapper is told this port.
        channels[i]->xp_port = port;
        if (i == 1) {
            abort_port = port;
        }
    }
    if (other_server_registered()) {
        error = QStringLiteral("another VXI-11 server is registered with rpcbind on this host");
        return false;
    }
    // A registration left by a run that was killed would send clients nowhere.
    pmap_unset(DEVICE_CORE, DEVICE_CORE_VERSION);
    if (!svc_register(channels[1], DEVICE_ASYNC, DEVICE_ASYNC_VERSION, device_async_1, 0) ||
        !svc_register(channels[0], DEVICE_CORE, DEVICE_CORE_VERSION, device_core_1, IPPROTO_TCP)) {
        error = QStringLiteral("cannot register with rpcbind (is it running?)");
        return false;
    }
    registered = true;
    return true;
}

bool lan_server_t::admitted(int fd) const {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return false;
    }
    const QHostAddress address(reinterpret_cast<const sockaddr*>(&peer));
    return std::any_of(allowed.cbegin(), allowed.cend(), [&address](const lan_subnet_t& subnet) {
        return address.isInSubnet(subnet);
    });
}

// libtirpc accepts connections and closes dead ones itself; its table of
// open ones tells which came and went.
void lan_server_t::track_connections() {
    QList<int> now;
    for (int i = 0; i < svc_max_pollfd; ++i) {
        const int fd = svc_pollfd[i].fd;
        if (fd >= 0 && fd != listeners[0] && fd != listeners[1]) {
            now.append(fd);
        }
    }
    for (const int fd : qAsConst(connections)) {
        if (!now.contains(fd)) {
            drop_waiting_locks(fd);
            links.drop_client(fd);
        }
    }
    for (const int fd : qAsConst(now)) {
        if (!connections.contains(fd) && (!admitted(fd) || now.size() > lan_max_connections)) {
            // The library sees the end of the stream and closes it.
            shutdown(fd, SHUT_RDWR);
        }
    }
    connections = now;
}

void lan_server_t::serve(int quit_fd) {
    for (;;) {
        // Connections first and listeners last, so that a number freed by a
        // closed connection is not taken by a new one within the same round.
        std::vector<pollfd> fds{{quit_fd, POLLIN, 0}};
        for (const int fd : qAsConst(connections)) {
            fds.push_back({fd, POLLIN, 0});
        }
        for (const int fd : listeners) {
            fds.push_back({fd, POLLIN, 0});
        }
        const int wait_ms = answer_waiting_locks(idle_check_ms);
        if (poll(fds.data(), fds.size(), wait_ms) < 0 && errno != EINTR) {
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents != 0) {
                svc_getreq_common(fds[i].fd);
                track_connections();
            }
        }
        links.drop_idle();
    }
}
