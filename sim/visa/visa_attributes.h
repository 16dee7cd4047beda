#pragma once

#include <QByteArray>

#include "driver/visa_types.h"
#include "sim/visa/visa_sessions.h"

// The attributes the stand-in keeps or reports. An instrument's resource text
// supplies its resource attributes; other objects have an empty one.
ViStatus visa_get_attribute(const visa_object_t& object, const QByteArray& resource_text,
                            ViAttr attribute, void* value);
ViStatus visa_set_attribute(visa_object_t& object, ViAttr attribute, ViAttrState value);
