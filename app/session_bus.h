#pragma once

// Qt's X11 platform connects to the session bus the first time it needs it,
// while the menu bar is created; with no bus running, it first waits several
// milliseconds for an attempt to start one. Connected on a pool thread as soon
// as the application exists, the bus is ready before the window asks for it.

// Starts connecting to the session bus on a pool thread, where the platform
// uses one.
void connect_session_bus_early();
