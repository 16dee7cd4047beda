#!/usr/bin/env bash
# Rebuilds the application font resource: the Latin part of Noto Sans CJK SC Bold
# from Debian's fonts-noto-cjk, with its CFF outlines and default layout
# features. Needs python3-fonttools (Debian's python3, hence /usr/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
source_font=/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc
sc_face=2 # face order in the collection: JP, KR, SC, TC, HK, then the Mono faces
# Printable ASCII, Latin-1 (× and ° among it), dashes, typographic quotes, ellipsis.
unicodes="U+0020-007E,U+00A0-00FF,U+2013-2014,U+2018-2019,U+201C-201D,U+2026"
/usr/bin/python3 -m fontTools.subset "$source_font" \
    --font-number="$sc_face" \
    --unicodes="$unicodes" \
    --name-IDs='*' \
    --output-file=resources/front/SourceHanSansCN-Bold.otf
