#include "sim/visa/visa_attributes.h"

#include <cstring>

#include "sim/visa/visa_resource_text.h"
#include "sim/visa/visa_settings.h"

namespace {

// VISA 5.8, the version whose C interface the stand-in follows.
constexpr ViUInt32 spec_version = 0x00500800;
constexpr ViUInt32 implementation_version = 0x00100000;
const char* const manufacturer = "KVT VISA stand-in";

template <typename T>
ViStatus give(void* value, T number) {
    std::memcpy(value, &number, sizeof number);
    return VI_SUCCESS;
}

ViStatus give_text(void* value, const QByteArray& text) {
    visa_copy_text(text, static_cast<ViChar*>(value));
    return VI_SUCCESS;
}

ViStatus resource_attribute(const QByteArray& resource_text, ViAttr attribute, void* value) {
    visa_resource_parts_t parts;
    if (!visa_parse_resource_text(resource_text, parts)) {
        return VI_ERROR_NSUP_ATTR;
    }
    switch (attribute) {
        case VI_ATTR_RSRC_NAME:
            return give_text(value, resource_text);
        case VI_ATTR_RSRC_CLASS:
            return give_text(value, parts.resource_class);
        case VI_ATTR_INTF_TYPE:
            return give<ViUInt16>(value, parts.interface_type);
        case VI_ATTR_INTF_NUM:
            return give<ViUInt16>(value, parts.board);
        default:
            return VI_ERROR_NSUP_ATTR;
    }
}

}  // namespace

ViStatus visa_get_attribute(const visa_object_t& object, const QByteArray& resource_text,
                            ViAttr attribute, void* value) {
    switch (attribute) {
        case VI_ATTR_TMO_VALUE:
            return give<ViUInt32>(value, object.timeout_ms);
        case VI_ATTR_TERMCHAR:
            return give<ViByte>(value, object.termchar);
        case VI_ATTR_TERMCHAR_EN:
            return give<ViBoolean>(value, object.termchar_enabled);
        case VI_ATTR_SEND_END_EN:
            return give<ViBoolean>(value, object.send_end);
        case VI_ATTR_RSRC_SPEC_VERSION:
            return give<ViUInt32>(value, spec_version);
        case VI_ATTR_RSRC_IMPL_VERSION:
            return give<ViUInt32>(value, implementation_version);
        case VI_ATTR_RSRC_MANF_NAME:
            return give_text(value, manufacturer);
        default:
            return resource_attribute(resource_text, attribute, value);
    }
}

ViStatus visa_set_attribute(visa_object_t& object, ViAttr attribute, ViAttrState value) {
    switch (attribute) {
        case VI_ATTR_TMO_VALUE:
            // Infinite included: every wait stays bounded.
            if (value > visa_longest_timeout_ms) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            object.timeout_ms = ViUInt32(value);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR:
            if (value > 0xFF) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            object.termchar = ViByte(value);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR_EN:
        case VI_ATTR_SEND_END_EN:
            if (value > 1) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            (attribute == VI_ATTR_TERMCHAR_EN ? object.termchar_enabled : object.send_end) =
                value == 1;
            return VI_SUCCESS;
        case VI_ATTR_RSRC_CLASS:
        case VI_ATTR_RSRC_NAME:
        case VI_ATTR_RSRC_IMPL_VERSION:
        case VI_ATTR_RSRC_SPEC_VERSION:
        case VI_ATTR_INTF_TYPE:
        case VI_ATTR_RSRC_MANF_NAME:
        case VI_ATTR_INTF_NUM:
            return VI_ERROR_ATTR_READONLY;
        default:
            return VI_ERROR_NSUP_ATTR;
    }
}
