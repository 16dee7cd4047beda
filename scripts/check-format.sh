#!/usr/bin/env bash
# Fails when any C++ source of the project differs from its clang-format layout.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h')
[ -n "$files" ] || exit 0
# shellcheck disable=SC2086
clang-format --dry-run --Werror $files
echo "format: all files follow .clang-format"
