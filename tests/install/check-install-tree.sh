#!/usr/bin/env bash
# Installs the build tree into a scratch prefix: it must hold exactly the listed
# files, and the desktop entry and the AppStream data must validate.
# Usage: check-install-tree.sh BUILD_DIR FILE_LIST
set -euo pipefail
build=$1
list=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root" >/dev/null
diff -u <(cut -d' ' -f2 "$list" | sort) <(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
desktop-file-validate "$root"/share/applications/*.desktop
appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml
