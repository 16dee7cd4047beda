#pragma once

// Work Qt does on first use, started early so that it overlaps the rest of
// start-up instead of adding to it. Call once the application exists, in
// this order: the pool takes its tasks first come, first served.

// Reads the system's fonts into the font database on a pool thread; the GUI
// thread's first font finds them read.
void preload_font_database();

// Starts connecting to the session bus on a pool thread, where the platform
// uses one. Qt's X11 platform connects when the menu bar is created, and with
// no bus running it first waits several milliseconds for an attempt to start
// one.
void connect_session_bus_early();

// On X11, Qt 5 loads its OpenGL integration and the system's GL driver when
// it creates its first window, the longest step of showing one. A hidden
// window, created and dropped here, takes that step while the pool threads
// work. Qt 6 widget windows paint without OpenGL: there it does nothing, as
// it would only load OpenGL for nothing.
void set_up_window_graphics();
