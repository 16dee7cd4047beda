#include "upgrade/upgrade_choice.h"

#include "driver/unit.h"
#include "upgrade/upgrade_thread.h"

void accept_images_of_attached_unit() {
    upgrade_identity_t identity;
    if (drv_unit_instance().query_upgrade_identity(identity)) {
        set_image_acceptance(identity.expected_id, identity.min_id, identity.max_id,
                             identity.exact_flag == 0);
    }
}

image_verdict_t choose_upgrade_image(const QByteArray& path) {
    const image_verdict_t verdict = validate_image(path, nullptr);
    if (verdict == image_ok) {
        upgrade_image_path() = path;
    }
    return verdict;
}
