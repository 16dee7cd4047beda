#include "upgrade/upgrade_thread.h"

#include "driver/visa_session.h"
#include "upgrade/section_handlers.h"
#include "upgrade/upgrade_commands.h"

QByteArray& upgrade_image_path() {
    static QByteArray path;
    return path;
}

QVector<section_descriptor_t>& upgrade_image_chain() {
    static QVector<section_descriptor_t> chain;
    return chain;
}

upgrade_thread_t::upgrade_thread_t() : upgrade_thread_t(current_visa_link()) {}

upgrade_thread_t::upgrade_thread_t(visa_link_t& link) : QThread(nullptr), link(link) {
    register_section_handlers();
}

void upgrade_thread_t::run() {
    upgrade_result_t result;
    result.unit = link.name();
    if (!follow_unit(link)) {
        result.unit_return.kind = unit_return_t::unfollowed;
        last_result = result;
        emit send_upgrade_state(0, false);
        return;
    }
    const bool sent = send_image(upgrade_image_path(), upgrade_image_chain());
    // A stopped unit stays as it is: a restart into a half-written
    // application would only take it back to its bootloader.
    if (stop_requested) {
        result.stopped = true;
        last_result = result;
        return;
    }
    result.unit_return = check_unit_return(link, result.unit, reboot_unit(link));
    result.passed = sent && result.unit_return.back();
    last_result = result;
    if (result.passed) {
        emit send_upgrade_success();
    } else if (sent) {
        emit send_upgrade_state(0, false);
    }
}

// Walks the chain checked when the image was chosen, so the file is only
// read, never trusted anew: a section no longer in it as checked fails like
// any other. A failure is reported here, the run's restart left to the caller.
bool upgrade_thread_t::send_image(const QByteArray& path,
                                  const QVector<section_descriptor_t>& chain) {
    image_header_t header{};
    // A header gone or changed since the image was chosen fails before anything is sent.
    if (chain.isEmpty() || !check_image_header(path, header)) {
        emit send_upgrade_state(0, false);
        return false;
    }
    quint32 offset = first_descriptor_offset;
    for (const section_descriptor_t& descriptor : chain) {
        quint32 progress = 0;
        emit init_progress_bar(descriptor.data_length, descriptor.type & 0xFF);
        bool ok = section_still_in_image(path, offset, descriptor);
        while (ok && descriptor.data_length > progress && !stop_requested) {
            ok = dispatch_section(link, path, progress, descriptor.type, descriptor.data_offset,
                                  descriptor.data_length);
            if (ok) {
                emit send_upgrade_state(progress, true);
            }
        }
        if (!ok || stop_requested) {
            emit send_upgrade_state(progress, false);
            return false;
        }
        send_upgrade_pass(link);
        emit send_upgrade_state(progress, true);
        offset = descriptor.data_offset + descriptor.data_length;
    }
    return true;
}
