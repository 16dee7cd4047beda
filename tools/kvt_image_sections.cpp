#include "tools/kvt_image.h"
#include "upgrade/image_reader.h"

const section_name_t section_names[7] = {
    {"app", section_application, false},
    {"boot", section_bootloader, false},
    {"product", section_product, true},
    {"manufacturer", section_manufacturer, true},
    {"pid", section_pid, true},
    {"vid", section_vid, true},
    {"product-id", section_product_id, true},
};

const char* section_type_name(quint32 type) {
    for (const section_name_t& entry : section_names) {
        if (entry.type == quint8(type)) {
            return entry.name;
        }
    }
    return "unknown";
}
