#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A unit drops what nobody reads rather than blocking forever.
constexpr int write_timeout_ms = 1000;

void make_raw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
}

}  // namespace

pty_server_t::pty_server_t(handler_t handler_, present_t present_)
    : handler(std::move(handler_)), present(std::move(present_)) {
    char path[128] = {};
    if (openpty(&master_fd, &slave_fd, path, nullptr, nullptr) != 0) {
        master_fd = slave_fd = -1;
        return;
    }
    if (pipe2(wake_pipe, O_CLOEXEC) != 0) {
        close(master_fd);
        close(slave_fd);
        master_fd = slave_fd = -1;
        return;
    }
    // The server keeps the slave side open so the line never hangs up between clients.
    make_raw(slave_fd);
    fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) | O_NONBLOCK);
    fcntl(master_fd, F_SETFD, FD_CLOEXEC);
    fcntl(slave_fd, F_SETFD, FD_CLOEXEC);
    name = QString::fromLocal8Bit(path, int(qstrnlen(path, sizeof path)));
    worker = std::thread([this] { serve(); });
}

pty_server_t::~pty_server_t() {
    if (worker.joinable()) {
        const char stop = 1;
        (void)!write(wake_pipe[1], &stop, 1);
        worker.join();
    }
    if (!hung_up) {
        hang_up();
    }
    for (int fd : {wake_pipe[0], wake_pipe[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void pty_server_t::hang_up() {
    for (int fd : {master_fd, slave_fd}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    hung_up = true;
}

// Sleeps for the pause of an answer piece; true when asked to stop meanwhile.
bool pty_server_t::wait_for_stop(int timeout_ms) {
    pollfd wake{wake_pipe[0], POLLIN, 0};
    return poll(&wake, 1, timeout_ms) > 0;
}

void pty_server_t::send(const QByteArray& bytes) {
    int sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(master_fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += int(n);
            continue;
        }
        pollfd out{master_fd, POLLOUT, 0};
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        }
        if (poll(&out, 1, write_timeout_ms) <= 0) {
            return;
        }
    }
}

void pty_server_t::serve() {
    QByteArray pending;
    for (;;) {
        pollfd fds[2] = {{master_fd, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
        const int ready = poll(fds, 2, pending.isEmpty() ? -1 : command_gap_ms);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (fds[1].revents & POLLIN)) {
            return;
        }
        if (ready == 0) {
            const QByteArray command = pending;
            pending.clear();
            log.append(command);
            if (present && !present()) {
                hang_up();
                answered.append(command);
                return;
            }
            for (const answer_piece_t& piece : handler(command)) {
                if (piece.delay_ms > 0 && wait_for_stop(piece.delay_ms)) {
                    return;
                }
                send(piece.bytes);
            }
            answered.append(command);
            continue;
        }
        if (fds[0].revents & POLLIN) {
            char buffer[4096];
            const ssize_t n = read(master_fd, buffer, sizeof buffer);
            if (n > 0) {
                pending.append(buffer, int(n));
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // No client holds the line; wait for one without spinning.
            if (wait_for_stop(command_gap_ms)) {
                return;
            }
        }
    }
}
