#!/usr/bin/env bash
# Per-run cost of sending one record as one UDP datagram to 127.0.0.1: our
# static musl and dynamic glibc executables against a minimal static sender
# (the floor) and the usual command-line senders. See bench/README.md.
#
#   bench/run.sh                 RUNS=3000 WARMUP=20 RSS_RUNS=20 STRACE_RUNS=5
#   RUNS=1000 bench/run.sh       fewer timed rounds
#   STATIC=... DYNAMIC=... bench/run.sh   other builds of ours
#
# Prints a Markdown report and writes it to bench/results-latest.md. Scratch
# files (the floor, the harness, strace logs) go to bench/out/. Every
# destination is 127.0.0.1; no name is ever looked up.
# The backquotes in single-quoted strings are Markdown code spans.
# shellcheck disable=SC2016
set -euo pipefail

bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench")
out=$bench/out
runs=${RUNS:-3000}
warmup=${WARMUP:-20}
rss_runs=${RSS_RUNS:-20}
strace_runs=${STRACE_RUNS:-5}
static_exe=${STATIC:-$root/build/x86_64-musl/src/vexmol_udp_client}
dynamic_exe=${DYNAMIC:-$root/build/release/src/vexmol_udp_client}
aarch64_exe=$root/build/aarch64-musl/src/vexmol_udp_client
message='vexmol bench record 0123456789'

fail() {
    printf 'bench/run.sh: %s\n' "$*" >&2
    exit 1
}

# --- what it needs -----------------------------------------------------------
[[ -x $static_exe ]] || fail "no static executable at $static_exe; build it first:
  cmake --preset x86_64-musl && cmake --build --preset x86_64-musl"
[[ -x $dynamic_exe ]] || fail "no release executable at $dynamic_exe; build it first:
  cmake --workflow --preset release"
for tool in strace socat logger busybox /usr/bin/time; do
    command -v "$tool" >/dev/null || fail "$tool is missing; as root:
  apt-get install -y strace socat busybox bsdutils time netcat-openbsd musl-tools"
done
nc -h 2>&1 | grep -q OpenBSD || fail "nc is not netcat-openbsd; apt-get install -y netcat-openbsd"
command -v musl-gcc >/dev/null || fail "musl-gcc is missing; apt-get install -y musl-tools"
[[ $(uname -m) == x86_64 ]] || fail "the floor's system call count (7) is for x86-64; this is $(uname -m)"

mkdir -p "$out"
rm -f "$out"/strace.* "$out"/time.*
musl-gcc -static -Os -s -Wall -Wextra -o "$out/floor" "$bench/floor.c"
musl-gcc -static -O2 -Wall -Wextra -o "$out/harness" "$bench/harness.c"
printf %s "$message" >"$out/message"

# --- the contenders ----------------------------------------------------------
# NAME, STDIN, MATCH, then the command; @PORT@ is the contender's receiver.
nc_bin=$(readlink -f "$(command -v nc)")
busybox_bin=$(readlink -f "$(command -v busybox)")
busybox_udp=no
if busybox nc --help 2>&1 | grep -Eq '^[[:space:]]+-u[[:space:]]'; then
    busybox_udp=yes
fi
{
    printf 'floor\t/dev/null\texact\t%s\t127.0.0.1\t@PORT@\t%s\n' "$out/floor" "$message"
    printf 'static\t/dev/null\texact\t%s\t-i\t127.0.0.1\t-p\t@PORT@\t-v\t%s\n' "$static_exe" "$message"
    printf 'dynamic\t/dev/null\texact\t%s\t-i\t127.0.0.1\t-p\t@PORT@\t-v\t%s\n' "$dynamic_exe" "$message"
    printf 'nc\t%s\texact\t%s\t-u\t-n\t-w0\t127.0.0.1\t@PORT@\n' "$out/message" "$nc_bin"
    printf 'socat\t%s\texact\t%s\t-u\t-\tUDP-SENDTO:127.0.0.1:@PORT@\n' "$out/message" "$(command -v socat)"
    if [[ $busybox_udp == yes ]]; then
        printf 'busybox\t%s\texact\t%s\tnc\t-u\t-w1\t127.0.0.1\t@PORT@\n' "$out/message" "$busybox_bin"
    fi
    printf 'logger\t/dev/null\tsuffix\t%s\t--udp\t--server\t127.0.0.1\t--port\t@PORT@\t%s\n' \
        "$(command -v logger)" "$message"
} >"$out/contenders.tsv"
names=$(cut -f1 "$out/contenders.tsv")

declare -A label=(
    [floor]='floor (bench/floor.c, static musl)'
    [static]='**vexmol_udp_client, static musl**'
    [dynamic]='vexmol_udp_client, dynamic glibc'
    [nc]='netcat-openbsd `nc -u -n -w0`'
    [socat]='`socat -u - UDP-SENDTO:`'
    [busybox]='BusyBox `nc -u`'
    [logger]='util-linux `logger --udp`'
)
declare -A binary=(
    [floor]=$out/floor [static]=$static_exe [dynamic]=$dynamic_exe [nc]=$nc_bin
    [socat]=$(readlink -f "$(command -v socat)") [busybox]=$busybox_bin
    [logger]=$(readlink -f "$(command -v logger)")
)

# --- the floor is what it claims to be ---------------------------------------
"$out/harness" wrap "$out/contenders.tsv" 1 "$message" strace -qq -o "$out/strace.check.@NAME@" >/dev/null
floor_calls=$(grep -cv -e '^---' -e '^+++' "$out/strace.check.floor")
[[ $floor_calls -eq 7 ]] || fail "the floor made $floor_calls system calls, not 7: see $out/strace.check.floor"

# --- measurements ------------------------------------------------------------
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
if awk -v l="${load_before%% *}" 'BEGIN { exit !(l > 0.5) }'; then
    printf 'bench/run.sh: load average %s: something else is running; figures may be noisy\n' \
        "$load_before" >&2
fi
printf 'bench/run.sh: %s timed rounds of %s contenders...\n' "$runs" "$(wc -l <"$out/contenders.tsv")" >&2
started=$SECONDS
"$out/harness" time "$out/contenders.tsv" "$runs" "$warmup" "$message" floor >"$out/time.tsv"
timed_seconds=$((SECONDS - started))
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

printf 'bench/run.sh: peak RSS, system calls...\n' >&2
"$out/harness" rss "$out/contenders.tsv" "$rss_runs" "$message" >"$out/rss.tsv"
"$out/harness" wrap "$out/contenders.tsv" "$rss_runs" "$message" \
    /usr/bin/time -a -o "$out/time.@NAME@" -f %M >"$out/time-wrap.tsv"
"$out/harness" wrap "$out/contenders.tsv" "$strace_runs" "$message" \
    strace -f -qq -o "$out/strace.@NAME@.@RUN@" >"$out/strace-wrap.tsv"

# The same record from a file: what -f adds to a run.
printf '%s\n' "$message" >"$out/message-line"
strace -f -qq -o "$out/strace.static-file" "$static_exe" -i 127.0.0.1 -p 9 -f "$out/message-line" >/dev/null
file_calls=$(grep -cv -e '^[0-9]* *---' -e '^[0-9]* *+++' "$out/strace.static-file")

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
{
    for name in $names; do
        calls=$(for f in "$out/strace.$name".*; do
            grep -cv -e '^[0-9]* *---' -e '^[0-9]* *+++' -e 'resumed>' "$f"
        done | median)
        printf '%s\t%s\t%s\t%s\n' "$name" "$(median <"$out/time.$name")" "$calls" \
            "$(stat -L -c %s "${binary[$name]}")"
    done
} >"$out/other.tsv"

# --- report ------------------------------------------------------------------
report() {
    printf '# Per-run cost of one UDP datagram to 127.0.0.1\n\n'
    printf -- '- date: %s; %s\n' "$(date -u '+%Y-%m-%d %H:%M UTC')" "$(uname -srm)"
    printf -- '- CPU: %s, %s cores (nproc); %s\n' \
        "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)" "$(nproc)" \
        "$( (dmesg 2>/dev/null || true) | grep -o 'Hypervisor detected: .*' | head -1 || true)"
    printf -- '- load average before / after the timed rounds: %s / %s\n' "$load_before" "$load_after"
    printf -- '- %s timed rounds (+%s warm-up), each contender once a round, interleaved: %s s\n' \
        "$runs" "$warmup" "$timed_seconds"
    printf -- '- the datagram: `%s` (%s bytes); logger adds its syslog header in front\n\n' \
        "$message" "${#message}"

    printf '| Contender | Datagrams ok / runs | Wall median µs | × floor (per-block range) | Wall p10–p90 µs | user+sys median µs | × floor | Peak RSS KiB (VmHWM) | × floor | `time %%M` KiB | × floor | System calls | × floor | Size bytes | × floor |\n'
    printf '|---|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n'
    awk -F'\t' -v OFS='\t' '
        FILENAME ~ /time.tsv$/ { t[$1] = $0; next }
        FILENAME ~ /rss.tsv$/ { hwm[$1] = $2; next }
        FILENAME ~ /other.tsv$/ { rss[$1] = $2; calls[$1] = $3; size[$1] = $4; next }
        FILENAME ~ /labels$/ { label[$1] = $2; order[++n] = $1; next }
        function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "n/a" }
        END {
            split(t["floor"], f, "\t")
            for (i = 1; i <= n; ++i) {
                name = order[i]
                if (!(name in t)) {
                    printf "| %s | n/a | n/a | | | | | | | | | | | %s | %s |\n", label[name], size[name], ratio(size[name], size["floor"])
                    continue
                }
                split(t[name], c, "\t")
                ok = (c[3] == c[2] && c[4] == c[2] && c[5] == c[2]) ? "" : " **!**"
                printf "| %s | %d / %d%s | %.0f | %.2f (%.2f–%.2f) | %.0f–%.0f | %.0f | %s | %d | %s | %d | %s | %d | %s | %d | %s |\n",
                    label[name], c[5], c[2], ok, c[6] / 1000, c[6] / f[6], c[11], c[12],
                    c[7] / 1000, c[8] / 1000, c[9] / 1000, ratio(c[9], f[9]),
                    hwm[name], ratio(hwm[name], hwm["floor"]), rss[name], ratio(rss[name], rss["floor"]),
                    calls[name], ratio(calls[name], calls["floor"]), size[name], ratio(size[name], size["floor"])
            }
        }' "$out/time.tsv" "$out/rss.tsv" "$out/other.tsv" "$out/labels"
    printf '\n'
    if [[ $busybox_udp == no ]]; then
        printf 'BusyBox `nc` (%s) has no `-u`: this build cannot send UDP, so it is not timed; its size is shown.\n' \
            "$(busybox 2>&1 | head -1 | cut -d' ' -f1-2)"
    fi
    if [[ -f $aarch64_exe ]]; then
        printf 'Our static musl executable for aarch64 (not run here): %s bytes.\n' "$(stat -c %s "$aarch64_exe")"
    fi
    printf '\n'

    awk -F'\t' -v calls="$(awk -F'\t' '$1 == "static" { print $3 }' "$out/other.tsv")" -v file_calls="$file_calls" '
        $1 == "floor" { floor = $6 }
        $1 == "static" { st = $6; low = $11; high = $12 }
        $1 == "dynamic" { dyn = $6 }
        END {
            r = st / floor
            printf "Targets:\n\n"
            printf "- static wall time per run within 1.10× the floor: %.2f× (per-block %.2f–%.2f): %s\n",
                r, low, high, r <= 1.10 ? "met" : "NOT met"
            printf "- at most 9 system calls for an `-i` UDP run, execve and exit_group included: %d: %s\n",
                calls, calls <= 9 ? "met" : "NOT met"
            printf "- a `-f` run at most 4 more than the same `-v` run: %d (+%d): %s\n",
                file_calls, file_calls - calls, file_calls - calls <= 4 ? "met" : "NOT met"
            printf "- for comparison, the dynamic glibc build: %.2f× the floor\n\n", dyn / floor
        }' "$out/time.tsv"

    printf 'System calls of one `-i` UDP run of the static executable (`strace -f`):\n\n```\n'
    sed 's/^[0-9]* *//' "$out/strace.static.1"
    printf '```\n\nThe same record from a file (`-f`):\n\n```\n'
    sed 's/^[0-9]* *//' "$out/strace.static-file"
    printf '```\n'
}
for name in $names busybox; do
    printf '%s\t%s\n' "$name" "${label[$name]}"
done | awk -F'\t' '!seen[$1]++' >"$out/labels"
if [[ $busybox_udp == no ]]; then
    printf 'busybox\t\t\t%s\n' "$(stat -L -c %s "$busybox_bin")" >>"$out/other.tsv"
fi

report | tee "$bench/results-latest.md"
