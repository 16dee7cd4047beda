#!/usr/bin/env bash
# Fails when the core (driver/, upgrade/ but its dialog), kvtctl or kvt-lan
# includes a UI folder: they build and run without widgets.
set -euo pipefail
cd "$(dirname "$0")/.."
ui_include='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]((app|panel|scpi|widget)/|upgrade/ui_)'
found=$(git ls-files -co --exclude-standard -- 'driver/*' 'upgrade/*' 'cli/*' 'lan/*' |
  grep -E '\.(cpp|h)$' | grep -v '^upgrade/ui_' |
  xargs -r grep -nE "$ui_include" || true)
if [ -n "$found" ]; then
  echo "a core folder includes a UI folder:"
  echo "$found"
  exit 1
fi
echo "includes: no core folder includes a UI folder"
