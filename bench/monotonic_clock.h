#pragma once

#include <poll.h>
#include <time.h>

// The monotonic clock in nanoseconds. The first-paint probe stamps the paint
// with it and bench-startup the spawn, so both must read this same clock.
inline long long monotonic_ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// True once fd has something to read (or its end), false at the deadline.
inline bool wait_readable(int fd, long long deadline_ns) {
    const long long left_ms = (deadline_ns - monotonic_ns()) / 1000000;
    pollfd in{fd, POLLIN, 0};
    return left_ms > 0 && poll(&in, 1, int(left_ms)) > 0;
}
