#pragma once

#include <QByteArray>
#include <QList>
#include <condition_variable>
#include <mutex>

// The commands a server received: every one counted, the newest kept, so a
// server that runs for days does not grow. May be used from several threads.
class command_log_t {
public:
    static constexpr int kept = 256;

    void append(const QByteArray& command);
    // The newest commands, at most kept of them, oldest first.
    QList<QByteArray> newest() const;
    void clear();
    // How many commands have come since the last clear.
    qint64 count() const;
    // Waits until at least count commands have come since the last clear.
    bool wait_for_count(qint64 count, int timeout_ms) const;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable appended;
    QList<QByteArray> entries;
    qint64 total = 0;
};
