#!/usr/bin/env bash
# Installs what is missing, builds Quillon and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
quillon_install_deps
build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
exec "$build/app/quillon" "$@"
