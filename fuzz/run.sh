#!/usr/bin/env bash
# Fuzzes each target in turn for SECONDS, starting from a scratch copy of its
# seeds so the checked-in corpus only changes by hand. One process at a time:
# the targets are single-threaded and the machine is small.
#
# Usage: fuzz/run.sh SECONDS [BUILD_DIR]     (BUILD_DIR defaults to build/fuzz)
# Findings are kept in BUILD_DIR/fuzz-findings/TARGET/; exits 1 if there are any.
set -euo pipefail

seconds=${1:?usage: fuzz/run.sh SECONDS [BUILD_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build/fuzz}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
for name in command_line value_file; do
    binary=$build/fuzz/fuzz_$name
    if [[ ! -x $binary ]]; then
        echo "run.sh: $binary is missing; build it with: cmake --workflow --preset fuzz" >&2
        exit 2
    fi
    findings=$build/fuzz-findings/$name
    mkdir -p "$scratch/$name" "$findings"
    cp -R "$here/corpus/$name/." "$scratch/$name/"
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/")
    if [[ -f $here/$name.dict ]]; then
        options+=(-dict="$here/$name.dict")
    fi
    echo "== fuzz_$name for ${seconds}s"
    if ! "$binary" "${options[@]}" "$scratch/$name"; then
        echo "run.sh: fuzz_$name found something, kept in $findings" >&2
        status=1
    fi
done
exit $status
