// Start-up of Quillon against an empty Fusion main window on the same platform
// plug-in: process start to the first painted window, and peak resident
// memory, in alternating runs. A probe preloaded into both programs reports
// the paint and ends them, so nothing in Quillon knows it is measured.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_table.h"
#include "bench/monotonic_clock.h"

extern char** environ;

namespace {

// Generous: the test suite runs these programs under the sanitizers.
constexpr int run_timeout_ms = 60000;

struct run_t {
    bool ok = false;
    double ms = 0;
    double peak_mib = 0;
    std::string platform;
};

// Everything the child writes, until it closes its end or the time is up.
bool read_all(int fd, std::string& text) {
    const long long deadline = monotonic_ns() + run_timeout_ms * 1000000LL;
    char buffer[4096];
    for (;;) {
        if (!wait_readable(fd, deadline)) {
            return false;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return n == 0;
        }
        text.append(buffer, size_t(n));
    }
}

std::string field(const std::string& text, const std::string& name) {
    const size_t at = text.find(name + "=");
    if (at == std::string::npos) {
        return std::string();
    }
    const size_t begin = at + name.size() + 1;
    return text.substr(begin, text.find_first_of(" \n", begin) - begin);
}

run_t run_once(const char* program) {
    run_t run;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return run;
    }
    std::vector<std::string> settings{std::string("LD_PRELOAD=") + BENCH_PROBE_PATH};
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "LD_PRELOAD=", 11) != 0) {
            settings.emplace_back(*entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& setting : settings) {
        envp.push_back(&setting[0]);
    }
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    pid_t pid = 0;
    const long long start = monotonic_ns();
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    std::string text;
    if (!read_all(out[0], text)) {
        kill(pid, SIGKILL);
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const std::string painted = field(text, "first_paint_ns");
    if (painted.empty()) {
        std::fprintf(stderr, "%s showed no window:\n%s\n", program, text.c_str());
        return run;
    }
    run.ok = true;
    run.ms = double(std::atoll(painted.c_str()) - start) / 1e6;
    run.peak_mib = double(usage.ru_maxrss) / 1024.0;
    run.platform = field(text, "platform");
    return run;
}

struct startup_targets_t {
    double time;
    double memory;
};

// Qt 6 widget windows paint without OpenGL, so its empty window is a far
// smaller yardstick than Qt 5's, and the targets are looser.
startup_targets_t targets_for(int qt_major) {
    return qt_major >= 6 ? startup_targets_t{1.9, 1.6} : startup_targets_t{1.5, 1.3};
}

// What one preload buys: the program with it against the program built
// without it, in alternating runs; the gain is the time the preload saves, as
// a share of the time without it.
bool preload_gain(int rounds, const std::string& preload, const std::string& setting) {
    const std::string without =
        std::string(BENCH_WITHOUT_PRELOAD_DIR) + "/bench-quillon-without-" + preload;
    std::vector<double> ms, without_ms, gain;
    for (int i = 0; i < rounds; ++i) {
        const run_t with_it = run_once(BENCH_QUILLON_PATH);
        const run_t without_it = run_once(without.c_str());
        if (!with_it.ok || !without_it.ok) {
            return false;
        }
        ms.push_back(with_it.ms);
        without_ms.push_back(without_it.ms);
        gain.push_back(100 * (1 - with_it.ms / without_it.ms));
    }
    const std::string qt = std::string("Qt ") + BENCH_QT_VERSION;
    print_row("Start-up with the " + preload + " preload (" + qt + ", " + setting + ")",
              summarize(ms), "ms", "without it: " + fixed(summarize(without_ms).median, 1) + " ms",
              fixed(summarize(gain).median, 1, true) + " %", "≥ +5 %");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    // "preloads SETTING": what each preload of this toolkit buys, in the
    // setting the caller names (with or without a session bus).
    if (argc > 3 && std::strcmp(argv[2], "preloads") == 0) {
        std::istringstream names(BENCH_PRELOADS);
        std::string preload;
        while (names >> preload) {
            if (!preload_gain(rounds, preload, argv[3])) {
                return 1;
            }
        }
        return 0;
    }
    std::vector<double> ms, mib, empty_ms, empty_mib, ms_ratio, mib_ratio;
    std::string platform;
    for (int i = 0; i < rounds; ++i) {
        const run_t quillon = run_once(BENCH_QUILLON_PATH);
        const run_t empty = run_once(BENCH_EMPTY_WINDOW_PATH);
        if (!quillon.ok || !empty.ok) {
            return 1;
        }
        platform = quillon.platform;
        ms.push_back(quillon.ms);
        mib.push_back(quillon.peak_mib);
        empty_ms.push_back(empty.ms);
        empty_mib.push_back(empty.peak_mib);
        ms_ratio.push_back(quillon.ms / empty.ms);
        mib_ratio.push_back(quillon.peak_mib / empty.peak_mib);
    }
    const startup_targets_t targets = targets_for(BENCH_QT_MAJOR);
    const std::string qt = std::string("Qt ") + BENCH_QT_VERSION;
    print_row("Start-up to first paint (" + qt + ", " + platform + ")", summarize(ms), "ms",
              "empty Fusion QMainWindow: " + fixed(summarize(empty_ms).median, 0) + " ms",
              fixed(summarize(ms_ratio).median, 2), "≤ " + fixed(targets.time, 1));
    print_row("Peak memory at start-up (" + qt + ")", summarize(mib), "MiB",
              "same empty window: " + fixed(summarize(empty_mib).median, 0) + " MiB",
              fixed(summarize(mib_ratio).median, 2), "≤ " + fixed(targets.memory, 1));
    return 0;
}
