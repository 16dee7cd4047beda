#pragma once

#include "driver/visa_types.h"

// The VISA functions the program resolves at run time; null where the library lacks one.
struct visa_entry_points_t {
    ViStatus(VISA_CALL* viOpenDefaultRM)(ViSession* rm) = nullptr;
    ViStatus(VISA_CALL* viSetAttribute)(ViObject vi, ViAttr attribute, ViAttrState value) = nullptr;
    ViStatus(VISA_CALL* viGetAttribute)(ViObject vi, ViAttr attribute, void* value) = nullptr;
    ViStatus(VISA_CALL* viClose)(ViObject vi) = nullptr;
    ViStatus(VISA_CALL* viFindRsrc)(ViSession rm, const ViChar* expression, ViFindList* list,
                                    ViUInt32* count, ViChar* description) = nullptr;
    ViStatus(VISA_CALL* viFindNext)(ViFindList list, ViChar* description) = nullptr;
    ViStatus(VISA_CALL* viOpen)(ViSession rm, const ViChar* name, ViAccessMode mode,
                                ViUInt32 timeout, ViSession* vi) = nullptr;
    ViStatus(VISA_CALL* viClear)(ViSession vi) = nullptr;
    ViStatus(VISA_CALL* viWrite)(ViSession vi, const ViByte* buffer, ViUInt32 count,
                                 ViUInt32* written) = nullptr;
    ViStatus(VISA_CALL* viRead)(ViSession vi, ViByte* buffer, ViUInt32 count,
                                ViUInt32* received) = nullptr;

    // True when every function the program calls is present.
    bool complete() const;
};

// Loads the VISA library on the first call; the library stays loaded.
const visa_entry_points_t& visa_entry_points();

// The binding: the default resource manager and the state of the last search.
class drv_visa_t {
public:
    // visa_done when the resource manager is open, else visa_not_usable.
    virtual int init();

    ViSession rm = 0;
    ViStatus status = 0;
    ViUInt32 find_count = 0;
    ViFindList find_list = 0;
    ViChar find_desc[VI_FIND_BUFLEN] = {};
    bool ready = false;
};
