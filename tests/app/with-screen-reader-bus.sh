#!/usr/bin/env bash
# Runs a Qt program as a screen reader would meet it: on an X server, with a
# session bus and the accessibility bus, and Qt's AT-SPI bridge on. Exits 77
# (skipped) where those are not installed, or fails where QUILLON_NO_SKIP is set.
# Usage: with-screen-reader-bus.sh PROGRAM [ARGUMENT...]
set -uo pipefail
launcher=/usr/libexec/at-spi-bus-launcher
if ! command -v xvfb-run >/dev/null || ! command -v dbus-run-session >/dev/null ||
    [[ ! -x $launcher ]]; then
    if [[ -n ${QUILLON_NO_SKIP:-} ]]; then
        echo "no X server or accessibility bus to run on, and QUILLON_NO_SKIP is set" >&2
        exit 1
    fi
    exit 77
fi
if [[ -z ${QUILLON_SCREEN_READER_BUS:-} ]]; then
    exec env QUILLON_SCREEN_READER_BUS=1 xvfb-run -a dbus-run-session -- "$0" "$@"
fi
# Qt's bridge turns on once the bus is there; the program waits for that itself.
"$launcher" --launch-immediately &
launched=$!
trap 'kill $launched' EXIT
# No OpenGL: Qt 5 would load Mesa's GL driver, which unloads at exit before
# the leak check and leaves its allocations looking leaked.
QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$@"
