#!/usr/bin/env bash
# kvtctl's bash completion completes what kvtctl's help names, as a shell with
# bash-completion loaded would; skipped (77) where bash-completion is missing.
# Usage: check-completion.sh COMPLETION_FILE KVTCTL
set -uo pipefail
helpers=/usr/share/bash-completion/bash_completion
[[ -r $helpers ]] || exit 77
source "$helpers"
source "$1"
kvtctl=$2

# Completes the last word of a command line; prints the candidates sorted.
complete_line() {
    local line="$kvtctl $1"
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_LINE=$line COMP_POINT=${#line} COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kvtctl "$kvtctl" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

failed=0
while IFS='|' read -r line expected; do
    actual=$(complete_line "$line")
    if [[ $actual != "$expected" ]]; then
        echo "kvtctl $line: completed [$actual], expected [$expected]"
        failed=1
    fi
done <<'TABLE'
re|read restore
--unit SN-TWO s|save set
--timeout 300 --json u|upgrade
--t|--timeout
--json get |
--resource |
--resource TCPIP0::lab::SN-ONE::INSTR s|save set
-u SN-TWO --resource R --json rea|read
--routes r.json route a|apply
route apply |
h|history
TABLE
exit $failed
