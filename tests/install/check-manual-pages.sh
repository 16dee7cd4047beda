#!/usr/bin/env bash
# Every manual page renders without a warning and has the sections a reader
# looks for; kvtctl's holds its commands, kvt-lan's says what must run.
# Usage: check-manual-pages.sh MAN_DIR
set -uo pipefail
dir=$1
failed=0
while IFS='|' read -r page wanted; do
    file=$dir/$page.1.gz
    warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
    if [[ -n $warnings ]]; then
        echo "$page: $warnings"
        failed=1
    fi
    text=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
    IFS=';' read -ra parts <<<"$wanted"
    for part in "${parts[@]}"; do
        if ! grep -qF -- "$part" <<<"$text"; then
            echo "$page: no \"$part\""
            failed=1
        fi
    done
    if grep -qF '`' <<<"$text"; then
        echo "$page: a literal backtick"
        failed=1
    fi
done <<'TABLE'
quillon|EXIT STATUS;ENVIRONMENT;FILES;EXAMPLES;SEE ALSO;KVT_VISA_UNITS
kvtctl|EXIT STATUS;ENVIRONMENT;FILES;EXAMPLES;SEE ALSO;COMMANDS;fails saying "nothing waiting"
kvt-image|EXIT STATUS;ENVIRONMENT;EXAMPLES;SEE ALSO
kvt-lan|EXIT STATUS;ENVIRONMENT;EXAMPLES;SEE ALSO;rpcbind(8) must be running
kvt-sim|EXIT STATUS;ENVIRONMENT;FILES;EXAMPLES;SEE ALSO;Units to serve, e.g.
TABLE
exit $failed
