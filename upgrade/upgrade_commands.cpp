#include "upgrade/upgrade_commands.h"

#include <QThread>
#include <cstring>

#include "driver/visa_session.h"

namespace {

constexpr int upready_tries = 12;
constexpr unsigned long answer_pause_ms = 100;
constexpr unsigned long restart_pause_ms = 500;

// Writes the text and its terminating zero byte.
template <int N>
bool write_fixed(const char (&text)[N]) {
    return visa_write(text, N);
}

// Compares whole buffers, so the zero byte after the answer counts too.
template <int N, int M>
bool holds(const char (&buffer)[N], const char (&expected)[M]) {
    static_assert(M <= N, "expected answer longer than its buffer");
    return std::memcmp(buffer, expected, M) == 0;
}

}  // namespace

bool wait_upready() {
    // Cleared once: a stale byte from an earlier try must not pass for "1\n".
    char answer[5] = {};
    for (int i = 0; i < upready_tries; ++i) {
        write_fixed("UPREADY?");
        QThread::msleep(answer_pause_ms);
        visa_read(answer, 2);
        if (holds(answer, "1\n")) {
            return true;
        }
    }
    return false;
}

bool is_in_bootloader() {
    write_fixed("OS?");
    QThread::msleep(answer_pause_ms);
    char answer[20] = {};
    visa_read(answer, sizeof answer);
    return holds(answer, "BOOTLOADER\n");
}

// What is attached is noted before the restart: a unit attached all along is
// never the restarted one, whatever name it has.
bool reboot_unit() {
    const QStringList attached = visa_attached_units();
    if (write_fixed("REBOOT")) {
        visa_close();
    }
    QThread::msleep(restart_pause_ms);
    return visa_reopen(attached);
}

bool reboot_to_bootloader() {
    const QStringList attached = visa_attached_units();
    write_fixed("REBOOT 1");
    visa_close();
    QThread::msleep(restart_pause_ms);
    return visa_reopen(attached);
}

bool send_upgrade_pass() {
    return write_fixed("UPGRADE:PASS");
}

bool send_upgrade_fail() {
    return write_fixed("UPGRADE:FAIL");
}
