#!/usr/bin/env bash
# Fuzzes each target for SECONDS, starting from a scratch copy of its seeds so
# the checked-in corpus only changes by hand. The targets are single-threaded,
# so the two run side by side, one a core, and each log is shown when both end.
#
# Usage: fuzz/run.sh SECONDS [BUILD_DIR]     (BUILD_DIR defaults to build/fuzz)
# Findings are kept in BUILD_DIR/fuzz-findings/TARGET/; exits 1 if there are any.
set -euo pipefail

seconds=${1:?usage: fuzz/run.sh SECONDS [BUILD_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build/fuzz}" && pwd)
scratch=$(mktemp -d)
targets=(command_line value_file)
declare -A pids  # the fuzzers still running, by target
# A fuzzer left behind would run on for SECONDS in a folder that is gone, so
# one that is stopped stops them too.
# shellcheck disable=SC2317 # called by the traps
stop_fuzzers() {
    if ((${#pids[@]} > 0)); then
        kill "${pids[@]}" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap stop_fuzzers EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

for name in "${targets[@]}"; do
    if [[ ! -x $build/fuzz/fuzz_$name ]]; then
        echo "run.sh: $build/fuzz/fuzz_$name is missing; build it with: cmake --workflow --preset fuzz" >&2
        exit 2
    fi
done

for name in "${targets[@]}"; do
    findings=$build/fuzz-findings/$name
    mkdir -p "$scratch/$name" "$findings"
    cp -R "$here/corpus/$name/." "$scratch/$name/"
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/")
    if [[ -f $here/$name.dict ]]; then
        options+=(-dict="$here/$name.dict")
    fi
    "$build/fuzz/fuzz_$name" "${options[@]}" "$scratch/$name" >"$scratch/$name.log" 2>&1 &
    pids[$name]=$!
done

status=0
for name in "${targets[@]}"; do
    fuzz_status=0
    wait "${pids[$name]}" || fuzz_status=$?
    unset "pids[$name]"
    echo "== fuzz_$name for ${seconds}s"
    cat "$scratch/$name.log"
    if ((fuzz_status != 0)); then
        echo "run.sh: fuzz_$name found something, kept in $build/fuzz-findings/$name" >&2
        status=1
    fi
done
exit $status
