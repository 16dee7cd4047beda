#include "driver/unit_answers.h"

namespace {

// Commands whose rest is data of any bytes: nothing is taken off their end.
constexpr const char* data_prefixes[] = {
    "UPGRADE ",
    "SYSTem:DEVice:PRODUCTUG ",
    "SYSTem:DEVice:MANUFTRUG ",
    "SYSTem:DEVice:PIDUG ",
    "SYSTem:DEVice:VIDUG ",
    "SYSTem:DEVice:PRODUCTUG:ID ",
};
constexpr const char* announcement_prefixes[] = {"HOSTUG ", "BOOTUG "};
constexpr const char* silent_commands[] = {"UPGRADE:PASS", "UPGRADE:FAIL", "REBOOT", "REBOOT 1"};
constexpr const char* restart_commands[] = {"REBOOT", "REBOOT 1"};

template <size_t N>
bool starts_with_any(const QByteArray& command, const char* const (&prefixes)[N]) {
    for (const char* prefix : prefixes) {
        if (command.startsWith(prefix)) {
            return true;
        }
    }
    return false;
}

template <size_t N>
bool is_any(const QByteArray& command, const char* const (&names)[N]) {
    for (const char* name : names) {
        if (command == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray command_text(const QByteArray& command) {
    for (const char* terminator : {"\r\n", "\n"}) {
        if (command.endsWith(terminator)) {
            return command.chopped(int(qstrlen(terminator)));
        }
    }
    return command.endsWith('\0') ? command.chopped(1) : command;
}

bool unit_answers(const QByteArray& command) {
    if (starts_with_any(command, data_prefixes)) {
        return false;
    }
    const QByteArray text = command_text(command);
    return !starts_with_any(text, announcement_prefixes) && !is_any(text, silent_commands);
}

bool unit_restarts(const QByteArray& command) {
    return is_any(command_text(command), restart_commands);
}
