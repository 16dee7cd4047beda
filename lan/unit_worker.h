#pragma once

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

class unit_session_t;

// The thread of one unit's link. Work posted here runs on it, one piece at a
// time in the order posted, so the unit takes one command at a time whoever
// sends it; the links of different units run side by side. A serial port
// lives and dies on this thread, as Qt's serial ports must.
class unit_worker_t {
public:
    explicit unit_worker_t(const QByteArray& link_name);
    // Runs what was posted, then closes the link and ends the thread.
    ~unit_worker_t();
    unit_worker_t(const unit_worker_t&) = delete;
    unit_worker_t& operator=(const unit_worker_t&) = delete;

    const QByteArray& name() const { return link_name; }
    void post(std::function<void(unit_session_t&)> work);

private:
    const QByteArray link_name;
    QThread thread;
    // Lives on the thread, so work queued to it runs there.
    QObject inbox;
    std::unique_ptr<unit_session_t> session;
};
