#include "bench/bare_pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

// The unit starts answering within 200 ms; an answer is one short line.
constexpr int answer_timeout_ms = 400;

long long monotonic_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

int bare_open(const std::string& port) {
    const int fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
    return fd;
}

void bare_close(int fd) {
    close(fd);
}

bool bare_query(int fd, const std::string& command) {
    size_t sent = 0;
    while (sent < command.size()) {
        const ssize_t n = write(fd, command.data() + sent, command.size() - sent);
        if (n <= 0) {
            return false;
        }
        sent += size_t(n);
    }
    const long long deadline = monotonic_ms() + answer_timeout_ms;
    for (;;) {
        const long long left = deadline - monotonic_ms();
        pollfd in{fd, POLLIN, 0};
        if (left <= 0 || poll(&in, 1, int(left)) <= 0) {
            return false;
        }
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        if (buffer[n - 1] == '\n') {
            return true;
        }
    }
}
