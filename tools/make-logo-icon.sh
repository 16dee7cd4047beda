#!/usr/bin/env bash
# Rebuilds resources/image/norvane.ico (16, 32, 48 and 256 pixels) from its SVG
# source. Needs ImageMagick; the .ico is committed, so the build does not.
set -euo pipefail
cd "$(dirname "$0")/../resources/image"
# Render once at 256 pixels (the SVG is 64 units wide) and scale down from there.
convert -background none -density 288 norvane.svg -strip -depth 8 \
    -define icon:auto-resize=256,48,32,16 norvane.ico
# The same pixels, decoded in half the time at every start.
../../tools/ico-png-unfiltered.py norvane.ico
