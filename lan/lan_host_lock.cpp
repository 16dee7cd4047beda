#include "lan/lan_host_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace {

// A socket in Linux's abstract namespace: no file is left behind, and the
// name is free again as soon as the socket is closed.
constexpr char lock_name[] = "quillon-kvt-lan-vxi11";

}  // namespace

bool lan_host_lock_t::take() {
    if (fd >= 0) {
        return true;
    }
    const int candidate = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (candidate < 0) {
        return false;
    }
    sockaddr_un at{};
    at.sun_family = AF_UNIX;
    static_assert(sizeof lock_name < sizeof at.sun_path, "the name fits");
    std::memcpy(at.sun_path + 1, lock_name, sizeof lock_name - 1);
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + sizeof lock_name - 1);
    if (bind(candidate, reinterpret_cast<const sockaddr*>(&at), length) != 0) {
        close(candidate);
        return false;
    }
    fd = candidate;
    return true;
}

lan_host_lock_t::~lan_host_lock_t() {
    if (fd >= 0) {
        close(fd);
    }
}
