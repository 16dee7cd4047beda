// A VISA library whose resource manager finds no instrument.

#include "driver/visa_types.h"

#define VISA_EXPORT extern "C" __attribute__((visibility("default")))

VISA_EXPORT ViStatus viOpenDefaultRM(ViSession* rm) {
    *rm = 1;
    return VI_SUCCESS;
}

VISA_EXPORT ViStatus viClose(ViObject) {
    return VI_SUCCESS;
}

VISA_EXPORT ViStatus viFindRsrc(ViSession, const ViChar*, ViFindList* list, ViUInt32* count,
                                ViChar* description) {
    *list = 0;
    *count = 0;
    description[0] = '\0';
    return VI_ERROR_RSRC_NFOUND;
}

VISA_EXPORT ViStatus viFindNext(ViFindList, ViChar*) {
    return VI_ERROR_RSRC_NFOUND;
}

VISA_EXPORT ViStatus viOpen(ViSession, const ViChar*, ViAccessMode, ViUInt32, ViSession*) {
    return VI_ERROR_RSRC_NFOUND;
}

VISA_EXPORT ViStatus viWrite(ViSession, const ViByte*, ViUInt32, ViUInt32*) {
    return VI_ERROR_INV_OBJECT;
}

VISA_EXPORT ViStatus viRead(ViSession, ViByte*, ViUInt32, ViUInt32*) {
    return VI_ERROR_INV_OBJECT;
}
