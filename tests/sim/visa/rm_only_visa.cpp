// A VISA library that offers a resource manager and nothing else.

#include "driver/visa_types.h"

extern "C" __attribute__((visibility("default"))) ViStatus viOpenDefaultRM(ViSession* rm) {
    *rm = 1;
    return VI_SUCCESS;
}
