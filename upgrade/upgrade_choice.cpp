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
    QVector<section_descriptor_t> chain;
    const image_verdict_t verdict = validate_image(path, &chain);
    if (verdict == image_ok) {
        upgrade_image_path() = path;
        upgrade_image_chain() = chain;
    }
    return verdict;
}
