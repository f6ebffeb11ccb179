#!/usr/bin/env bash
# tools/install-deps with apt-get, apt, dpkg and sudo replaced, first on
# PATH, by fakes that only note their calls. Asking for help, or for
# something it does not know, must print the usage (on stdout, or on stderr
# with status 2) and call none of them; a plain run must call them, or the
# fakes would prove nothing.
#   install_deps_test.sh PATH-TO-install-deps
set -euo pipefail

script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in apt-get apt dpkg sudo; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\n' "$tool" "$work" >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
done

# arguments|status ("any" for the plain run, which the fakes leave short of
# musl's source)|where the usage goes|whether apt or dpkg may be called
cases=(
    "--help|0|stdout|no"
    "-h|0|stdout|no"
    "--program --help|0|stdout|no"
    "--frobnicate|2|stderr|no"
    "--program --bench|2|stderr|no"
    "|any|none|yes"
)
failures=0
for entry in "${cases[@]}"; do
    IFS='|' read -r arguments want_status usage_on may_call <<<"$entry"
    read -ra argv <<<"$arguments"
    rm -f "$work/calls"
    status=0
    PATH="$work/bin:$PATH" "$script" "${argv[@]}" >"$work/out" 2>"$work/err" </dev/null || status=$?
    fault=""
    if [[ $want_status != any && $status -ne $want_status ]]; then
        fault="exit status $status, not $want_status"
    elif [[ $usage_on == stdout ]] && ! { grep -q '^usage: ' "$work/out" && [[ ! -s $work/err ]]; }; then
        fault="no usage on stdout alone"
    elif [[ $usage_on == stderr ]] && ! { grep -q '^usage: ' "$work/err" && [[ ! -s $work/out ]]; }; then
        fault="no usage on stderr alone"
    elif [[ $usage_on != none ]] && ! grep -q -- '--program' "$work/out" "$work/err"; then
        fault="the usage does not name the options"
    elif [[ $may_call == no && -s $work/calls ]]; then
        fault="called $(head -n 1 "$work/calls")"
    elif [[ $may_call == yes && ! -s $work/calls ]]; then
        fault="called neither apt nor dpkg: the fakes are not in its way"
    fi
    if [[ -n $fault ]]; then
        echo "install-deps ${arguments:-(no option)}: $fault" >&2
        failures=$((failures + 1))
    fi
done
echo "$((${#cases[@]} - failures)) of ${#cases[@]} cases pass"
[[ $failures -eq 0 ]]
