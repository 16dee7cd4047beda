#include "driver/link_events.h"

link_events_t& link_events() {
    static link_events_t* events = new link_events_t;
    return *events;
}
