#include "sim/sim_receiver.h"

#include <QByteArrayList>
#include <QCryptographicHash>

namespace {

const QByteArray block_prefix = "UPGRADE ";

constexpr const char* announcements[] = {"HOSTUG ", "BOOTUG "};

constexpr const char* identity_prefixes[] = {
    "SYSTem:DEVice:PRODUCTUG ", "SYSTem:DEVice:MANUFTRUG ",    "SYSTem:DEVice:PIDUG ",
    "SYSTem:DEVice:VIDUG ",     "SYSTem:DEVice:PRODUCTUG:ID ",
};

// Largest firmware section a unit's flash takes.
constexpr int max_section_size = 16 * 1024 * 1024;

// A unit served for days must not grow without end: the record keeps the
// newest entries only.
constexpr int kept_commands = 4096;
constexpr int kept_entries = 64;

template <typename T>
void append_bounded(QVector<T>& list, const T& item, int limit) {
    if (list.size() >= limit) {
        list.removeFirst();
    }
    list.append(item);
}

bool parse_length(const QByteArray& text, int& length) {
    if (text.isEmpty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    length = text.toInt();
    return length <= max_section_size;
}

}  // namespace

bool sim_receiver_t::take(const QByteArray& command, sim_mode_t mode) {
    if (command == "UPGRADE:PASS") {
        pass();
        return true;
    }
    if (command == "UPGRADE:FAIL") {
        app_valid = false;
        return true;
    }
    return take_announcement(command, mode) || take_block(command, mode) || take_identity(command);
}

void sim_receiver_t::note(const QByteArray& command) {
    QByteArray entry = command;
    for (const char* prefix : identity_prefixes) {
        if (command.startsWith(prefix)) {
            entry = prefix +
                    ('<' + QByteArray::number(command.size() - int(qstrlen(prefix))) + " bytes>");
        }
    }
    if (command.startsWith(block_prefix)) {
        entry = block_prefix + '<' + QByteArray::number(command.size() - block_prefix.size()) +
                " bytes>";
    }
    append_bounded(log.commands, entry, kept_commands);
}

bool sim_receiver_t::answer(const QByteArray& command, QByteArray& text) const {
    const QByteArray held_query = "SIM:HELD? ";
    if (command.startsWith(held_query)) {
        text = held(command.mid(held_query.size())).toPercentEncoding();
        return true;
    }
    if (command != "SIM:RECord?") {
        return false;
    }
    QByteArrayList entries;
    for (const QByteArray& entry : log.commands) {
        entries.append(entry.toPercentEncoding(" :?<>"));
    }
    text = entries.join(',');
    return true;
}

QByteArray sim_receiver_t::held(const QByteArray& name) const {
    for (auto section = log.sections.crbegin(); section != log.sections.crend(); ++section) {
        if (section->passed && section->announcement == name) {
            return section->received;
        }
    }
    for (auto identity = log.identities.crbegin(); identity != log.identities.crend(); ++identity) {
        if (identity->command == name) {
            return identity->data;
        }
    }
    return {};
}

QByteArray sim_receiver_t::take_new_application() {
    QByteArray image;
    image.swap(new_application);
    return image;
}

bool sim_receiver_t::take_announcement(const QByteArray& command, sim_mode_t mode) {
    for (const char* prefix : announcements) {
        if (!command.startsWith(prefix)) {
            continue;
        }
        int length = 0;
        step_ok = mode == sim_mode_t::bootloader &&
                  parse_length(command.mid(int(qstrlen(prefix))), length);
        section_open = step_ok;
        if (step_ok) {
            sim_section_t section;
            section.announcement = QByteArray(prefix).trimmed();
            section.announced = length;
            append_bounded(log.sections, section, kept_entries);
        }
        return true;
    }
    return false;
}

bool sim_receiver_t::take_block(const QByteArray& command, sim_mode_t mode) {
    if (!command.startsWith(block_prefix)) {
        return false;
    }
    sim_section_t* section = open_section();
    step_ok = mode == sim_mode_t::bootloader && section != nullptr &&
              command.size() == block_prefix.size() + sim_block_size &&
              section->received.size() < section->announced;
    if (step_ok) {
        section->received.append(command.mid(block_prefix.size()));
    }
    return true;
}

bool sim_receiver_t::take_identity(const QByteArray& command) {
    for (const char* prefix : identity_prefixes) {
        if (command.startsWith(prefix)) {
            const int length = int(qstrlen(prefix));
            append_bounded(log.identities, {QByteArray(prefix, length - 1), command.mid(length)},
                           kept_entries);
            return true;
        }
    }
    return false;
}

void sim_receiver_t::pass() {
    sim_section_t* section = open_section();
    section_open = false;
    if (section == nullptr || section->received.size() < section->announced) {
        return;
    }
    section->passed = true;
    if (section->announcement == "HOSTUG") {
        new_application = section->received.left(section->announced);
        app_valid = true;
    }
}

sim_section_t* sim_receiver_t::open_section() {
    return section_open && !log.sections.isEmpty() ? &log.sections.last() : nullptr;
}

QByteArray sim_image_version(const QByteArray& image) {
    const QByteArray digest = QCryptographicHash::hash(image, QCryptographicHash::Sha256);
    return "app-" + digest.left(4).toHex();
}
