#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <thread>

#include "sim/answer_piece.h"
#include "sim/command_log.h"

// Serves one unit over a pseudo-terminal. A command carries no terminator, so
// the bytes that arrive until the line has been quiet for command_gap_ms make
// up one command; the handler's answer pieces are written with their delays.
class pty_server_t {
public:
    using handler_t = std::function<answer_t(const QByteArray& command)>;
    using present_t = std::function<bool()>;

    static constexpr int command_gap_ms = 20;

    // Once present (when given) turns false, the next command makes the
    // server hang up, as an unplugged unit does: it closes the
    // pseudo-terminal and the client's port reports an error.
    explicit pty_server_t(handler_t handler, present_t present = {});
    ~pty_server_t();
    pty_server_t(const pty_server_t&) = delete;
    pty_server_t& operator=(const pty_server_t&) = delete;

    // Whether the pseudo-terminal could be opened.
    bool is_open() const { return master_fd >= 0; }
    // The device a client opens, such as "/dev/pts/4".
    QString port_name() const { return name; }

    // The newest commands received (up to command_log_t::kept), in order.
    QList<QByteArray> commands() const { return log.newest(); }
    void clear_commands() {
        log.clear();
        answered.clear();
    }
    // Waits until at least count commands have been received since the last clear.
    bool wait_for_commands(int count, int timeout_ms) const {
        return log.wait_for_count(count, timeout_ms);
    }
    // Waits until every command received since the last clear has had the
    // whole of its answer written, so nothing more is owed on the line.
    bool wait_for_answers(int timeout_ms) const {
        return answered.wait_for_count(log.count(), timeout_ms);
    }

private:
    void serve();
    bool wait_for_stop(int timeout_ms);
    void send(const QByteArray& bytes);
    void hang_up();

    handler_t handler;
    present_t present;
    QString name;
    int master_fd = -1;
    int slave_fd = -1;
    int wake_pipe[2] = {-1, -1};
    // Set by the worker only; read after it has ended.
    bool hung_up = false;
    std::thread worker;
    command_log_t log;
    // The commands whose answers have been written, or that the hang-up ended.
    command_log_t answered;
};
