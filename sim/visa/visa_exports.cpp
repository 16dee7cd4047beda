// The C interface of the VISA library, as clients find it by name.

#include "driver/visa_types.h"
#include "sim/visa/visa_export.h"
#include "sim/visa/visa_standin.h"
#include "sim/visa/visa_status_text.h"

namespace {

constexpr ViStatus VI_SUCCESS_EVENT_DIS = 0x3FFF0003;
constexpr ViStatus VI_SUCCESS_QUEUE_EMPTY = 0x3FFF0004;
constexpr ViStatus VI_WARN_UNKNOWN_STATUS = 0x3FFF0085;

visa_standin_t& standin() {
    return visa_standin_t::instance();
}

}  // namespace

VISA_EXPORT ViStatus viOpenDefaultRM(ViSession* rm) {
    return standin().open_default_rm(rm);
}

VISA_EXPORT ViStatus viFindRsrc(ViSession rm, const ViChar* expression, ViFindList* list,
                                ViUInt32* count, ViChar* description) {
    return standin().find_first(rm, expression, list, count, description);
}

VISA_EXPORT ViStatus viFindNext(ViFindList list, ViChar* description) {
    return standin().find_next(list, description);
}

VISA_EXPORT ViStatus viParseRsrcEx(ViSession rm, const ViChar* name, ViUInt16* interface_type,
                                   ViUInt16* board, ViChar* resource_class, ViChar* expanded,
                                   ViChar* alias) {
    visa_resource_parts_t parts;
    const ViStatus status = standin().parse(rm, name, parts);
    if (status == VI_SUCCESS) {
        *interface_type = parts.interface_type;
        *board = parts.board;
        visa_copy_text(parts.resource_class, resource_class);
        visa_copy_text(name, expanded);
        visa_copy_text(QByteArray(), alias);
    }
    return status;
}

VISA_EXPORT ViStatus viParseRsrc(ViSession rm, const ViChar* name, ViUInt16* interface_type,
                                 ViUInt16* board) {
    ViChar unused[3][VI_FIND_BUFLEN];
    return viParseRsrcEx(rm, name, interface_type, board, unused[0], unused[1], unused[2]);
}

VISA_EXPORT ViStatus viOpen(ViSession rm, const ViChar* name, ViAccessMode mode, ViUInt32 timeout,
                            ViSession* vi) {
    return standin().open(rm, name, mode, timeout, vi);
}

VISA_EXPORT ViStatus viClose(ViObject vi) {
    return standin().close(vi);
}

VISA_EXPORT ViStatus viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count,
                             ViUInt32* written) {
    return standin().write(vi, buffer, count, written);
}

VISA_EXPORT ViStatus viRead(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* received) {
    return standin().read(vi, buffer, count, received);
}

VISA_EXPORT ViStatus viClear(ViSession vi) {
    return standin().clear(vi);
}

// Exclusive locks take no keys.
VISA_EXPORT ViStatus viLock(ViSession vi, ViAccessMode type, ViUInt32 timeout, const ViChar*,
                            ViChar*) {
    return standin().lock(vi, type, timeout);
}

VISA_EXPORT ViStatus viUnlock(ViSession vi) {
    return standin().unlock(vi);
}

VISA_EXPORT ViStatus viGetAttribute(ViObject vi, ViAttr attribute, void* value) {
    return standin().get_attribute(vi, attribute, value);
}

VISA_EXPORT ViStatus viSetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    return standin().set_attribute(vi, attribute, value);
}

// No events are ever enabled, so there is nothing to disable or discard.
VISA_EXPORT ViStatus viDisableEvent(ViSession vi, ViUInt32, ViUInt16) {
    const ViStatus status = standin().check(vi);
    return status == VI_SUCCESS ? VI_SUCCESS_EVENT_DIS : status;
}

VISA_EXPORT ViStatus viDiscardEvents(ViSession vi, ViUInt32, ViUInt16) {
    const ViStatus status = standin().check(vi);
    return status == VI_SUCCESS ? VI_SUCCESS_QUEUE_EMPTY : status;
}

VISA_EXPORT ViStatus viStatusDesc(ViObject, ViStatus status, ViChar* description) {
    const char* text = visa_status_text(status);
    visa_copy_text(text ? text : "Unknown status", description);
    return text ? VI_SUCCESS : VI_WARN_UNKNOWN_STATUS;
}
