#!/usr/bin/env bash
# Installs what is missing, builds a sanitized tree and runs the whole suite headless.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
quillon_install_deps
build="$root/build-test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure "$@"
