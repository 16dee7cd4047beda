#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "lan/lan_announcement.h"

// Announces kvt-lan through the system's Avahi daemon. Everything Avahi
// does runs on its threaded poll's own thread, so a slow D-Bus or a missing
// daemon never holds up VXI-11. Without a daemon it says so once and
// announces when one starts; a name another host holds is replaced by one
// Avahi picks.
class lan_announcer_t {
public:
    using say_t = std::function<void(const QString&)>;
    // say is called on Avahi's thread.
    lan_announcer_t(lan_announcement_t announcement, say_t say);
    ~lan_announcer_t();
    lan_announcer_t(const lan_announcer_t&) = delete;
    lan_announcer_t& operator=(const lan_announcer_t&) = delete;

    struct state_t;

private:
    std::unique_ptr<state_t> state;
};
