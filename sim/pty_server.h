#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "sim/answer_piece.h"

// Serves one unit over a pseudo-terminal. A command carries no terminator, so
// the bytes that arrive until the line has been quiet for command_gap_ms make
// up one command; the handler's answer pieces are written with their delays.
class pty_server_t {
public:
    using handler_t = std::function<answer_t(const QByteArray& command)>;

    static constexpr int command_gap_ms = 20;

    explicit pty_server_t(handler_t handler);
    ~pty_server_t();
    pty_server_t(const pty_server_t&) = delete;
    pty_server_t& operator=(const pty_server_t&) = delete;

    bool is_open() const { return master_fd >= 0; }
    // The device a client opens, such as "/dev/pts/4".
    QString port_name() const { return name; }

    // Every command received so far, in order.
    QList<QByteArray> commands() const;
    void clear_commands();
    // Waits until at least count commands have been received.
    bool wait_for_commands(int count, int timeout_ms) const;

private:
    void serve();
    bool wait_for_stop(int timeout_ms);
    void send(const QByteArray& bytes);

    handler_t handler;
    QString name;
    int master_fd = -1;
    int slave_fd = -1;
    int wake_pipe[2] = {-1, -1};
    std::thread worker;

    mutable std::mutex mutex;
    mutable std::condition_variable received_changed;
    QList<QByteArray> received;
};
