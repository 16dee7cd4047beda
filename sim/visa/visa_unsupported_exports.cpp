// The VISA functions the stand-in's instruments have no use for. Clients bind
// every function of the interface by name, so each one exists and refuses
// with a VISA status rather than being missing.

#include <cstdint>

#include "driver/visa_types.h"
#include "sim/visa/visa_export.h"
#include "sim/visa/visa_standin.h"
#include "sim/visa/visa_statuses.h"

namespace {

using ViInt16 = std::int16_t;
using ViUInt8 = std::uint8_t;
using ViUInt64 = std::uint64_t;
// Pointer-sized, as the standard defines them on 64-bit platforms.
using ViBusAddress = std::uintptr_t;
using ViBusSize = std::uintptr_t;
using ViBusAddress64 = ViUInt64;
using ViAddr = void*;
using ViEventType = ViUInt32;
using ViEventFilter = ViUInt32;
using ViEvent = ViObject;
using ViJobId = ViUInt32;
using ViHndlr = ViStatus(VISA_CALL*)(ViSession, ViEventType, ViEvent, ViAddr);

ViStatus unsupported(ViSession vi) {
    const ViStatus status = visa_standin_t::instance().check(vi);
    return status == VI_SUCCESS ? VI_ERROR_NSUP_OPER : status;
}

}  // namespace

// Each parameter list names its session vi.
#define VISA_UNSUPPORTED(name, parameters) \
    VISA_EXPORT ViStatus name parameters { \
        return unsupported(vi);            \
    }

// The register and memory functions come in one form per width.
#define VISA_UNSUPPORTED_WIDTH(n)                                                                \
    VISA_UNSUPPORTED(viIn##n, (ViSession vi, ViUInt16, ViBusAddress, ViUInt##n*))                \
    VISA_UNSUPPORTED(viIn##n##Ex, (ViSession vi, ViUInt16, ViBusAddress64, ViUInt##n*))          \
    VISA_UNSUPPORTED(viOut##n, (ViSession vi, ViUInt16, ViBusAddress, ViUInt##n))                \
    VISA_UNSUPPORTED(viOut##n##Ex, (ViSession vi, ViUInt16, ViBusAddress64, ViUInt##n))          \
    VISA_UNSUPPORTED(viMoveIn##n, (ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViUInt##n*)) \
    VISA_UNSUPPORTED(viMoveIn##n##Ex,                                                            \
                     (ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, ViUInt##n*))            \
    VISA_UNSUPPORTED(viMoveOut##n,                                                               \
                     (ViSession vi, ViUInt16, ViBusAddress, ViBusSize, const ViUInt##n*))        \
    VISA_UNSUPPORTED(viMoveOut##n##Ex,                                                           \
                     (ViSession vi, ViUInt16, ViBusAddress64, ViBusSize, const ViUInt##n*))      \
    /* Nothing is ever mapped, so there is nothing to peek at or poke into. */                   \
    VISA_EXPORT void viPeek##n(ViSession, ViAddr, ViUInt##n*) {}                                 \
    VISA_EXPORT void viPoke##n(ViSession, ViAddr, ViUInt##n) {}

VISA_UNSUPPORTED_WIDTH(8)
VISA_UNSUPPORTED_WIDTH(16)
VISA_UNSUPPORTED_WIDTH(32)
VISA_UNSUPPORTED_WIDTH(64)

VISA_UNSUPPORTED(viAssertIntrSignal, (ViSession vi, ViInt16, ViUInt32))
VISA_UNSUPPORTED(viAssertTrigger, (ViSession vi, ViUInt16))
VISA_UNSUPPORTED(viAssertUtilSignal, (ViSession vi, ViUInt16))
VISA_UNSUPPORTED(viBufRead, (ViSession vi, ViByte*, ViUInt32, ViUInt32*))
VISA_UNSUPPORTED(viBufWrite, (ViSession vi, const ViByte*, ViUInt32, ViUInt32*))
VISA_UNSUPPORTED(viEnableEvent, (ViSession vi, ViEventType, ViUInt16, ViEventFilter))
VISA_UNSUPPORTED(viFlush, (ViSession vi, ViUInt16))
VISA_UNSUPPORTED(viGpibCommand, (ViSession vi, const ViByte*, ViUInt32, ViUInt32*))
VISA_UNSUPPORTED(viGpibControlATN, (ViSession vi, ViUInt16))
VISA_UNSUPPORTED(viGpibControlREN, (ViSession vi, ViUInt16))
VISA_UNSUPPORTED(viGpibPassControl, (ViSession vi, ViUInt16, ViUInt16))
VISA_UNSUPPORTED(viGpibSendIFC, (ViSession vi))
VISA_UNSUPPORTED(viInstallHandler, (ViSession vi, ViEventType, ViHndlr, ViAddr))
VISA_UNSUPPORTED(viMapAddress,
                 (ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViBoolean, ViAddr, ViAddr*))
VISA_UNSUPPORTED(viMapTrigger, (ViSession vi, ViInt16, ViInt16, ViUInt16))
VISA_UNSUPPORTED(viMemAlloc, (ViSession vi, ViBusSize, ViBusAddress*))
VISA_UNSUPPORTED(viMemFree, (ViSession vi, ViBusAddress))
VISA_UNSUPPORTED(viMove, (ViSession vi, ViUInt16, ViBusAddress, ViUInt16, ViUInt16, ViBusAddress,
                          ViUInt16, ViBusSize))
VISA_UNSUPPORTED(viMoveAsync, (ViSession vi, ViUInt16, ViBusAddress, ViUInt16, ViUInt16,
                               ViBusAddress, ViUInt16, ViBusSize, ViJobId*))
VISA_UNSUPPORTED(viReadAsync, (ViSession vi, ViByte*, ViUInt32, ViJobId*))
VISA_UNSUPPORTED(viReadSTB, (ViSession vi, ViUInt16*))
VISA_UNSUPPORTED(viReadToFile, (ViSession vi, const ViChar*, ViUInt32, ViUInt32*))
VISA_UNSUPPORTED(viSetBuf, (ViSession vi, ViUInt16, ViUInt32))
VISA_UNSUPPORTED(viTerminate, (ViSession vi, ViUInt16, ViJobId))
VISA_UNSUPPORTED(viUninstallHandler, (ViSession vi, ViEventType, ViHndlr, ViAddr))
VISA_UNSUPPORTED(viUnmapAddress, (ViSession vi))
VISA_UNSUPPORTED(viUnmapTrigger, (ViSession vi, ViInt16, ViInt16))
VISA_UNSUPPORTED(viUsbControlIn,
                 (ViSession vi, ViInt16, ViInt16, ViUInt16, ViUInt16, ViUInt16, ViByte*, ViUInt16*))
VISA_UNSUPPORTED(viUsbControlOut,
                 (ViSession vi, ViInt16, ViInt16, ViUInt16, ViUInt16, ViUInt16, const ViByte*))
VISA_UNSUPPORTED(viVxiCommandQuery, (ViSession vi, ViUInt16, ViUInt32, ViUInt32*))
VISA_UNSUPPORTED(viWaitOnEvent, (ViSession vi, ViEventType, ViUInt32, ViEventType*, ViEvent*))
VISA_UNSUPPORTED(viWriteAsync, (ViSession vi, const ViByte*, ViUInt32, ViJobId*))
VISA_UNSUPPORTED(viWriteFromFile, (ViSession vi, const ViChar*, ViUInt32, ViUInt32*))
