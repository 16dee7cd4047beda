#include "sim/command_log.h"

#include <chrono>

void command_log_t::append(const QByteArray& command) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (entries.size() >= kept) {
            entries.removeFirst();
        }
        entries.append(command);
        ++total;
    }
    appended.notify_all();
}

QList<QByteArray> command_log_t::newest() const {
    std::lock_guard<std::mutex> lock(mutex);
    return entries;
}

void command_log_t::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    entries.clear();
    total = 0;
}

qint64 command_log_t::count() const {
    std::lock_guard<std::mutex> lock(mutex);
    return total;
}

bool command_log_t::wait_for_count(qint64 count, int timeout_ms) const {
    std::unique_lock<std::mutex> lock(mutex);
    return appended.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [&] { return total >= count; });
}
