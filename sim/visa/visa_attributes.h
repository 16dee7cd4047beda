#pragma once

#include <QByteArray>

#include "driver/visa_types.h"
#include "sim/visa/visa_sessions.h"

// The attributes the stand-in keeps or reports.
constexpr ViAttr VI_ATTR_RSRC_CLASS = 0xBFFF0001;
constexpr ViAttr VI_ATTR_RSRC_NAME = 0xBFFF0002;
constexpr ViAttr VI_ATTR_RSRC_IMPL_VERSION = 0x3FFF0003;
constexpr ViAttr VI_ATTR_SEND_END_EN = 0x3FFF0016;
constexpr ViAttr VI_ATTR_TERMCHAR = 0x3FFF0018;
constexpr ViAttr VI_ATTR_TMO_VALUE = 0x3FFF001A;
constexpr ViAttr VI_ATTR_TERMCHAR_EN = 0x3FFF0038;
constexpr ViAttr VI_ATTR_RSRC_SPEC_VERSION = 0x3FFF0170;
constexpr ViAttr VI_ATTR_INTF_TYPE = 0x3FFF0171;
constexpr ViAttr VI_ATTR_RSRC_MANF_NAME = 0xBFFF0174;
constexpr ViAttr VI_ATTR_INTF_NUM = 0x3FFF0176;

// Reading and changing them: an instrument's resource text supplies its
// resource attributes; other objects have an empty one.
ViStatus visa_get_attribute(const visa_object_t& object, const QByteArray& resource_text,
                            ViAttr attribute, void* value);
ViStatus visa_set_attribute(visa_object_t& object, ViAttr attribute, ViAttrState value);
