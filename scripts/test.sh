#!/usr/bin/env bash
# Installs what is missing, builds a sanitized tree and runs the whole suite headless.
# Qt 6 in build-test; QUILLON_QT=5 scripts/test.sh tests Qt 5.15 in build-test-qt5.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
quillon_install_deps
# kvt-lan's tests register with rpcbind. Debian 12's rpcbind aborts when told
# to listen on chosen addresses (-h), so it listens where it always does; the
# tests reach it and kvt-lan on 127.0.0.1 only. Stopped again if started here.
rpcbind_pid=""
if ! rpcinfo -p 127.0.0.1 >/dev/null 2>&1; then
  mkdir -p /run/rpcbind
  rpcbind -f &
  rpcbind_pid=$!
  trap 'kill "$rpcbind_pid"; wait "$rpcbind_pid" || true' EXIT
  for _ in $(seq 100); do
    rpcinfo -p 127.0.0.1 >/dev/null 2>&1 && break
    sleep 0.05
  done
fi
build="$(quillon_build_dir "$root/build-test")"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON \
  -DQUILLON_QT="$(quillon_qt_major)"
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure "$@"
