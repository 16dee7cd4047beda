#include "bench/bare_pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "bench/monotonic_clock.h"

namespace {

// The unit starts answering within 200 ms; an answer is one short line.
constexpr int answer_timeout_ms = 400;

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

void bare_settle(int fd, int quiet_ms) {
    // Bounded, so a line that never falls quiet cannot hold the client.
    constexpr int most_rounds = 16;
    char buffer[256];
    pollfd in{fd, POLLIN, 0};
    for (int round = 0; round < most_rounds; ++round) {
        tcflush(fd, TCIFLUSH);
        if (poll(&in, 1, quiet_ms) <= 0 || read(fd, buffer, sizeof buffer) <= 0) {
            return;
        }
    }
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
    const long long deadline = monotonic_ns() + answer_timeout_ms * 1000000LL;
    for (;;) {
        if (!wait_readable(fd, deadline)) {
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
