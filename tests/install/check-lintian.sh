#!/usr/bin/env bash
# Makes the Debian packages as users get them (scripts/package.sh: a release
# tree with Debian's hardening flags) and runs lintian on them: any tag fails,
# informational and pedantic ones too, unless the package overrides it.
# Usage: check-lintian.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1
build=$2
mkdir -p "$build"
"$source/scripts/package.sh" "$build" >"$build/package.log" 2>&1 || {
    cat "$build/package.log"
    exit 1
}
lintian --pedantic --display-info --fail-on error,warning,info,pedantic \
    "$build"/quillon_*.deb "$build"/quillon-sim_*.deb
