#!/usr/bin/env bash
# Builds the Debian packages from the build tree and unpacks each into a scratch
# root: each must hold exactly its listed files, and the program's package must
# depend on the package of every Qt library the program links and of the SVG
# image-format plug-in of the tree's Qt, which it loads.
# Usage: check-package.sh BUILD_DIR FILE_LIST QT_MAJOR
set -euo pipefail
build=$1
list=$2
qt=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    exit 1
}
for package in quillon:quillon quillon-sim:sim; do
    name=${package%%:*}
    component=${package#*:}
    debs=("$work"/out/"$name"_*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single package $name"; exit 1; }
    dpkg-deb -x "${debs[0]}" "$work/$name"
    diff -u <(awk -v c="$component" '$1 == c { print "usr/" $2 }' "$list" | sort) \
        <(cd "$work/$name" && find . ! -type d | sed 's|^\./||' | sort)
done
depends=$(dpkg-deb -f "$work"/out/quillon_*.deb Depends)
echo "Depends: $depends"
libraries=$(objdump -p "$work/quillon/usr/bin/quillon" | awk '$1 == "NEEDED" && $2 ~ /^libQt/ { print $2 }')
[ -n "$libraries" ] || { echo "the program links no Qt library?"; exit 1; }
for library in $libraries; do
    [[ $library == libQt"$qt"* ]] || { echo "$library is not a Qt $qt library"; exit 1; }
done
for library in $libraries qt"$qt"/plugins/imageformats/libqsvg.so; do
    owner=$(dpkg -S "*/$library" | head -n1 | cut -d: -f1)
    grep -Eq "(^|, )$owner( |,|$)" <<<"$depends" || { echo "$library ($owner) not declared"; exit 1; }
done
