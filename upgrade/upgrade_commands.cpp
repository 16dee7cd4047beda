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
bool write_fixed(visa_link_t& link, const char (&text)[N]) {
    return link.write_bytes(text, N);
}

// Compares whole buffers, so the zero byte after the answer counts too.
template <int N, int M>
bool holds(const char (&buffer)[N], const char (&expected)[M]) {
    static_assert(M <= N, "expected answer longer than its buffer");
    return std::memcmp(buffer, expected, M) == 0;
}

}  // namespace

bool wait_upready(visa_link_t& link) {
    // Cleared once: a stale byte from an earlier try must not pass for "1\n".
    char answer[5] = {};
    for (int i = 0; i < upready_tries; ++i) {
        write_fixed(link, "UPREADY?");
        QThread::msleep(answer_pause_ms);
        link.read_bytes(answer, 2);
        if (holds(answer, "1\n")) {
            return true;
        }
    }
    return false;
}

bool is_in_bootloader(visa_link_t& link) {
    write_fixed(link, "OS?");
    QThread::msleep(answer_pause_ms);
    char answer[20] = {};
    link.read_bytes(answer, sizeof answer);
    return holds(answer, "BOOTLOADER\n");
}

bool reboot_unit(visa_link_t& link) {
    if (write_fixed(link, "REBOOT")) {
        link.close();
    }
    QThread::msleep(restart_pause_ms);
    return link.reopen();
}

bool reboot_to_bootloader(visa_link_t& link) {
    write_fixed(link, "REBOOT 1");
    link.close();
    QThread::msleep(restart_pause_ms);
    return link.reopen();
}

bool send_upgrade_pass(visa_link_t& link) {
    return write_fixed(link, "UPGRADE:PASS");
}

bool send_upgrade_fail(visa_link_t& link) {
    return write_fixed(link, "UPGRADE:FAIL");
}
