#include "driver/visa_binding.h"

#include <QLibrary>

#include "driver/visa_session.h"

namespace {

#ifdef Q_OS_WIN
const char* const visa_library_name = "visa32.dll";
#else
const char* const visa_library_name = "visa";
#endif

template <typename Function>
void resolve(QLibrary& library, Function& entry_point, const char* name) {
    entry_point = reinterpret_cast<Function>(library.resolve(name));
}

visa_entry_points_t resolve_all() {
    // Never unloaded: sessions may outlive any owner of the handle.
    static QLibrary visa_library(QString::fromLatin1(visa_library_name));
    visa_entry_points_t points;
    resolve(visa_library, points.viOpenDefaultRM, "viOpenDefaultRM");
    resolve(visa_library, points.viSetAttribute, "viSetAttribute");
    resolve(visa_library, points.viGetAttribute, "viGetAttribute");
    resolve(visa_library, points.viClose, "viClose");
    resolve(visa_library, points.viFindRsrc, "viFindRsrc");
    resolve(visa_library, points.viFindNext, "viFindNext");
    resolve(visa_library, points.viOpen, "viOpen");
    resolve(visa_library, points.viClear, "viClear");
    resolve(visa_library, points.viWrite, "viWrite");
    resolve(visa_library, points.viRead, "viRead");
    return points;
}

}  // namespace

bool visa_entry_points_t::complete() const {
    return viOpenDefaultRM && viClose && viFindRsrc && viFindNext && viOpen && viWrite && viRead;
}

const visa_entry_points_t& visa_entry_points() {
    static const visa_entry_points_t points = resolve_all();
    return points;
}

int drv_visa_t::init() {
    ready = false;
    const visa_entry_points_t& vi = visa_entry_points();
    if (!vi.complete()) {
        return visa_not_usable;
    }
    status = 0;
    status = vi.viOpenDefaultRM(&rm);
    // Warnings are positive and still leave a usable resource manager.
    if (status < VI_SUCCESS) {
        return visa_not_usable;
    }
    ready = true;
    return visa_done;
}
