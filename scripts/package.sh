#!/usr/bin/env bash
# Installs what is missing, builds a release tree and makes the Debian packages
# quillon_<version>_<arch>.deb and quillon-sim_<version>_<arch>.deb in build-package/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
quillon_install_deps
build="$(quillon_build_dir "$root/build-package")"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUILLON_QT="$(quillon_qt_major)" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
# Only what the packages hold: CPack then installs without building the rest.
cmake --build "$build" -j "$(nproc)" --target quillon kvtctl kvt-sim visa
cd "$build"
cpack
