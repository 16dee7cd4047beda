#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "driver/visa_types.h"
#include "sim/visa/visa_instrument.h"
#include "sim/visa/visa_resource_text.h"
#include "sim/visa/visa_sessions.h"
#include "sim/visa/visa_settings.h"

// The VISA library over simulated instruments: the state behind every
// exported function. All members may be called from any thread.
class visa_standin_t {
public:
    // The one stand-in of the process, configured from the environment on first use.
    static visa_standin_t& instance();

    ViStatus open_default_rm(ViSession* rm);
    ViStatus find_first(ViSession rm, const ViChar* expression, ViFindList* list, ViUInt32* count,
                        ViChar* description);
    ViStatus find_next(ViFindList list, ViChar* description);
    ViStatus parse(ViSession rm, const ViChar* name, visa_resource_parts_t& parts);
    // An access mode with VI_EXCLUSIVE_LOCK locks the new session, waiting up to timeout_ms.
    ViStatus open(ViSession rm, const ViChar* name, ViAccessMode mode, ViUInt32 timeout_ms,
                  ViSession* vi);
    ViStatus close(ViObject vi);
    ViStatus write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
    ViStatus read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* received);
    ViStatus clear(ViSession vi);
    // Exclusive locks only; they nest. While a session holds one, other
    // sessions' I/O on its instrument is VI_ERROR_RSRC_LOCKED.
    ViStatus lock(ViSession vi, ViAccessMode type, ViUInt32 timeout_ms);
    ViStatus unlock(ViSession vi);
    // VI_SUCCESS for an open object of any kind, else VI_ERROR_INV_OBJECT.
    ViStatus check(ViObject vi);
    ViStatus get_attribute(ViObject vi, ViAttr attribute, void* value);
    ViStatus set_attribute(ViObject vi, ViAttr attribute, ViAttrState value);

private:
    using clock = visa_output_t::clock;

    visa_standin_t();
    int instrument_named(const QByteArray& name) const;
    ViStatus open_lan(std::unique_lock<std::mutex>& held, ViSession rm, const ViChar* name,
                      const QByteArray& host, const QByteArray& device, ViAccessMode mode,
                      ViUInt32 timeout_ms, ViSession* vi);
    QByteArrayList online_names() const;

    // The one lock; never held while a search matches or a read waits.
    std::mutex mutex;
    ViStatus lock_locked(std::unique_lock<std::mutex>& held, ViSession vi, ViUInt32 timeout_ms);

    // Signalled when an answer is queued, a lock is released or a session closes.
    std::condition_variable changed;
    const visa_settings_t settings;
    std::vector<std::unique_ptr<visa_instrument_t>> attached;
    visa_sessions_t sessions;
};
