#include "upgrade/upgrade_thread.h"

#include "upgrade/image_reader.h"
#include "upgrade/section_handlers.h"
#include "upgrade/upgrade_commands.h"

QByteArray& upgrade_image_path() {
    static QByteArray path;
    return path;
}

upgrade_thread_t::upgrade_thread_t() : QThread(nullptr) {
    register_section_handlers();
}

void upgrade_thread_t::run() {
    const QByteArray path = upgrade_image_path();
    image_header_t header{};
    // A file gone or changed since it was chosen would read as an empty image
    // that ends at once, and the run would pass without sending anything.
    if (!check_image_header(path, header)) {
        emit send_upgrade_state(0, false);
        reboot_unit();
        return;
    }
    quint32 offset = first_descriptor_offset;
    // Bounded, so a chain that never meets its end cannot keep the unit forever.
    for (int section = 0; section < max_image_sections; ++section) {
        section_descriptor_t descriptor{};
        read_section_descriptor(path, descriptor, offset);
        quint32 progress = 0;
        emit init_progress_bar(descriptor.data_length, descriptor.type & 0xFF);
        while (descriptor.data_length > progress) {
            const bool ok = dispatch_section(path, progress, descriptor.type,
                                             descriptor.data_offset, descriptor.data_length);
            emit send_upgrade_state(progress, ok);
            if (!ok) {
                reboot_unit();
                return;
            }
        }
        send_upgrade_pass();
        emit send_upgrade_state(progress, true);
        offset = descriptor.data_offset + descriptor.data_length;
        if (offset == header.end_offset) {
            reboot_unit();
            emit send_upgrade_success();
            return;
        }
    }
    emit send_upgrade_state(0, false);
    reboot_unit();
}
