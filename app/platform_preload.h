#pragma once

// Starts connecting to the session bus on a pool thread, where the platform
// uses one, so that it overlaps the rest of start-up. Qt 6's X11 platform
// connects when the menu bar is created, and with no bus running it first
// waits several milliseconds for an attempt to start one. Qt 5.15 gains
// nothing from it: there it does nothing. Call once the application exists.
void connect_session_bus_early();
