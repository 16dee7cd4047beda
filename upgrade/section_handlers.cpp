#include "upgrade/section_handlers.h"

#include <QThread>
#include <cstring>
#include <mutex>

#include "driver/visa_session.h"
#include "upgrade/image_reader.h"
#include "upgrade/upgrade_commands.h"

namespace {

constexpr quint32 block_size = 2048;
const char block_prefix[] = "UPGRADE ";
constexpr int block_prefix_size = sizeof block_prefix - 1;
constexpr int block_command_size = 2080;
static_assert(block_prefix_size + int(block_size) <= block_command_size, "block command");
constexpr unsigned long announcement_pause_ms = 10;
constexpr unsigned long block_pause_ms = 150;
constexpr unsigned long identity_pause_ms = 30;

quint8 low_byte(quint32 type) {
    return quint8(type & 0xFF);
}

bool announce(visa_link_t& link, const char* prefix, quint32 data_length) {
    const QByteArray text = prefix + QByteArray::number(data_length);
    link.write_bytes(text.constData(), text.size());
    QThread::msleep(announcement_pause_ms);
    return wait_upready(link);
}

// One block at progress, the last one padded with 0xFF. A block the file
// cannot deliver whole is not sent: the unit would store garbage.
bool send_block(visa_link_t& link, const QByteArray& path, quint32& progress, quint32 data_offset,
                quint32 data_length) {
    char command[block_command_size] = {};
    std::memcpy(command, block_prefix, block_prefix_size);
    char* block = command + block_prefix_size;
    const quint32 remaining = data_length - progress;
    const quint32 count = qMin(remaining, block_size);
    if (!read_image_bytes(path, data_offset + progress, count, block)) {
        return false;
    }
    std::memset(block + count, 0xFF, block_size - count);
    progress = remaining <= block_size ? data_length : progress + block_size;
    link.write_bytes(command, block_prefix_size + int(block_size));
    QThread::msleep(block_pause_ms);
    return wait_upready(link);
}

void fill_section_handlers() {
    const std::pair<quint8, section_handler_t> entries[] = {
        {section_application, send_application_section},
        {section_bootloader, send_bootloader_section},
        {section_product, send_identity_section},
        {section_manufacturer, send_identity_section},
        {section_pid, send_identity_section},
        {section_vid, send_identity_section},
        {section_product_id, send_identity_section},
    };
    for (const auto& entry : entries) {
        section_handlers()[entry.first] = entry.second;
    }
}

}  // namespace

std::map<quint8, section_handler_t>& section_handlers() {
    static std::map<quint8, section_handler_t> handlers;
    return handlers;
}

// The entries are always the same, so they are written once: a rack's
// upgrades construct their workers on several threads at a time.
void register_section_handlers() {
    static std::once_flag filled;
    std::call_once(filled, fill_section_handlers);
}

bool dispatch_section(visa_link_t& link, const QByteArray& path, quint32& progress, quint32 type,
                      quint32 data_offset, quint32 data_length) {
    const auto found = section_handlers().find(low_byte(type));
    if (found == section_handlers().end()) {
        return false;
    }
    return found->second(link, path, progress, type, data_offset, data_length);
}

bool send_application_section(visa_link_t& link, const QByteArray& path, quint32& progress, quint32,
                              quint32 data_offset, quint32 data_length) {
    if (progress == 0) {
        if (!is_in_bootloader(link) && !reboot_to_bootloader(link)) {
            return false;
        }
        if (!announce(link, "HOSTUG ", data_length)) {
            return false;
        }
        send_upgrade_fail(link);
        QThread::msleep(announcement_pause_ms);
    }
    return send_block(link, path, progress, data_offset, data_length);
}

bool send_bootloader_section(visa_link_t& link, const QByteArray& path, quint32& progress, quint32,
                             quint32 data_offset, quint32 data_length) {
    if (progress == 0 && !announce(link, "BOOTUG ", data_length)) {
        return false;
    }
    return send_block(link, path, progress, data_offset, data_length);
}

bool send_identity_section(visa_link_t& link, const QByteArray& path, quint32& progress,
                           quint32 type, quint32 data_offset, quint32 data_length) {
    const char* prefix = identity_prefix(low_byte(type));
    if (prefix == nullptr) {
        return false;
    }
    const quint32 prefix_size = quint32(qstrlen(prefix));
    if (data_length > quint32(identity_room(prefix))) {
        return false;
    }
    char command[identity_command_size] = {};
    std::memcpy(command, prefix, prefix_size);
    if (!read_image_bytes(path, data_offset, data_length, command + prefix_size)) {
        return false;
    }
    progress = data_length;
    link.write_bytes(command, int(prefix_size + data_length));
    QThread::msleep(identity_pause_ms);
    return true;
}
