#!/usr/bin/env bash
# Installs what is missing, builds a release tree with Debian's hardening flags
# and makes the Debian packages quillon_<version>_<arch>.deb and
# quillon-sim_<version>_<arch>.deb in BUILD_DIR (default build-package/).
# Usage: package.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
quillon_install_deps
build="${1:-$(quillon_build_dir "$root/build-package")}"
# Fortified functions, stack protector, full RELRO with immediate binding, as
# Debian builds its own packages; CMake reads no CPPFLAGS, so they join CXXFLAGS.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUILLON_QT="$(quillon_qt_major)" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)"
# Only what the packages hold: CPack then installs without building the rest.
cmake --build "$build" -j "$(nproc)" \
    --target quillon kvtctl kvt-image kvt-lan kvt-sim visa manual_pages changelog
cd "$build"
rm -f ./*.deb
cpack
