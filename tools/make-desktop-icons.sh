#!/usr/bin/env bash
# Renders the desktop icons of packaging/icons/ from resources/image/norvane.svg
# at the hicolor theme's usual sizes. Needs ImageMagick; the PNGs are committed,
# so the build does not.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
for size in 16 24 32 48 64 128 256; do
    out="$root/packaging/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$out"
    # The SVG is 64 units wide: 72 dpi renders it at 64 pixels.
    convert -background none -density "$((size * 72 / 64))" "$root/resources/image/norvane.svg" \
        -resize "${size}x${size}" -strip -depth 8 "PNG32:$out/example.norvane.Quillon.png"
done
