#!/usr/bin/env bash
# Installs what is missing, builds a sanitized tree and runs the whole suite headless.
# Qt 6 in build-test; QUILLON_QT=5 scripts/test.sh tests Qt 5.15 in build-test-qt5.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
quillon_install_deps
build="$(quillon_build_dir "$root/build-test")"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON \
  -DQUILLON_QT="$(quillon_qt_major)"
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure "$@"
