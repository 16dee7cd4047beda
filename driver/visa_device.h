#pragma once

#include <QByteArray>
#include <QStringList>
#include <mutex>

#include "driver/visa_binding.h"

// The binding's operations on instrument sessions. Every operation fails
// without calling the library while the binding is not ready.
class drv_device_t : public drv_visa_t {
public:
    drv_device_t() { init(); }

    // Appends every USB instrument found, in the library's order.
    int find_units(QStringList& list, ViUInt32& count);
    // io_timeout_ms, when not 0, is the new session's I/O timeout; a session
    // that cannot take it is not opened.
    ViStatus open_resource(const QByteArray& name, ViSession& session, ViUInt32 io_timeout_ms = 0);
    // Retries the open of name while a restarting unit comes back.
    bool reopen_resource(const QByteArray& name, ViSession& session, ViUInt32 io_timeout_ms);
    // Opens the VXI-11 instrument "TCPIP0::<address>::INSTR"; an address that
    // would change which part of the resource is which is refused.
    ViStatus open_lan_resource(const QByteArray& address, ViSession& session);
    ViStatus set_io_timeout(ViSession session, ViUInt32 io_timeout_ms);
    ViStatus close_session(ViSession session);
    // Makes the instrument drop what it still has to say; a library without
    // viClear reports VI_ERROR_LIBRARY_NFOUND.
    ViStatus clear_session(ViSession session);
    // Both give the library's status through status when asked.
    bool write_bytes(ViSession session, const char* bytes, int count, ViStatus* status = nullptr);
    int read_bytes(ViSession session, char* buffer, int max_count, ViStatus* status = nullptr);

private:
    // Searches share the find list; links of several threads may search.
    std::mutex search_lock;
    ViStatus search();
    QByteArray found_text() const;
};

// The one driver object; the first call loads the library and opens the resource manager.
drv_device_t& drv_device_instance();
