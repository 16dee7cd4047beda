#!/usr/bin/env bash
# Installs what is missing, builds Quillon and starts it on simulated units:
# the VISA stand-in built beside it offers one unit of each model (see sim/visa/README.md).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
quillon_install_deps
build="$(quillon_build_dir "$root/build")"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_QT="$(quillon_qt_major)"
cmake --build "$build" -j "$(nproc)" --target quillon visa kvt-sim kvt-image
export LD_LIBRARY_PATH="$build/sim/visa${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
exec "$build/app/quillon" "$@"
