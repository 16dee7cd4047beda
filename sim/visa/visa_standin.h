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
    ViStatus open(ViSession rm, const ViChar* name, ViSession* vi);
    ViStatus close(ViObject vi);
    ViStatus write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
    ViStatus read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* received);
    ViStatus clear(ViSession vi);
    // VI_SUCCESS for an open object of any kind, else VI_ERROR_INV_OBJECT.
    ViStatus check(ViObject vi);
    ViStatus get_attribute(ViObject vi, ViAttr attribute, void* value);
    ViStatus set_attribute(ViObject vi, ViAttr attribute, ViAttrState value);

private:
    using clock = visa_output_t::clock;

    visa_standin_t();
    int instrument_named(const QByteArray& name) const;
    QByteArrayList online_names() const;

    // The one lock; never held while a search matches or a read waits.
    std::mutex mutex;
    // Signalled when an answer is queued or a session closes.
    std::condition_variable changed;
    const visa_settings_t settings;
    std::vector<std::unique_ptr<visa_instrument_t>> attached;
    visa_sessions_t sessions;
};
