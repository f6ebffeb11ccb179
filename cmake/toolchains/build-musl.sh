#!/usr/bin/env bash
# Builds musl 1.2.3 as a static library for one target, once: the toolchain
# files run it when the folder they want is missing (see musl-common.cmake).
#
#   build-musl.sh OUTDIR TARGET CC "CFLAGS" SOURCE
#
# OUTDIR receives include/ and lib/ (crt*.o, libc.a, ...), musl's COPYRIGHT
# (its copyright and licence, which travel with every executable linked
# against it) and, last, the file "complete". SOURCE is musl's release
# tarball musl-1.2.3.tar.gz (Debian's musl_1.2.3.orig.tar.gz is the same
# file; tools/install-deps puts it at /usr/local/src/musl-1.2.3.tar.gz) or
# an unpacked tree of it. The build never reaches the network: where SOURCE
# is missing, it says which command fetches it. A tarball must have the
# release's SHA-256. The build is the same wherever it runs: fixed flags, no
# debugging information, the build folder mapped out of everything the
# compiler records, and no time stamps in the archive (Debian's ar is
# deterministic).
#
# Configures may run at once (the presets, tools/dist): one lock beside
# OUTDIR lets one of them build while the others wait and then find it done.
set -euo pipefail

if [[ $# -ne 5 ]]; then
    echo "usage: $0 OUTDIR TARGET CC CFLAGS SOURCE" >&2
    exit 2
fi
out=$1 target=$2 cc=$3 cflags=$4 source=$5
release_sha256=7d5b0b6062521e4627e099e4c9dc8248d32a30285e959b7eecaa780cf8cfd4a4

cache=$(dirname "$out")
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9
if [[ -f $out/complete ]]; then
    exit 0
fi

work=$(mktemp -d "$cache/build.XXXXXX")
trap 'rm -rf "$work"' EXIT
started=$SECONDS

mkdir "$work/src"
if [[ -f $source ]]; then
    read -r sum _ < <(sha256sum "$source")
    if [[ $sum != "$release_sha256" ]]; then
        echo "$source is not musl 1.2.3's release tarball: SHA-256 $sum, expected $release_sha256" >&2
        exit 1
    fi
    tar -xzf "$source" -C "$work/src" --strip-components=1
elif [[ -d $source ]]; then
    cp -R "$source/." "$work/src"
    rm -rf "$work/src/config.mak" "$work/src/obj" "$work/src/lib"  # an earlier build's
    if [[ $(cat "$work/src/VERSION" 2>/dev/null) != 1.2.3 ]]; then
        echo "$source is not a musl 1.2.3 tree (its VERSION file says otherwise)" >&2
        exit 1
    fi
else
    echo "musl's source is not at $source: tools/install-deps fetches it to" \
        "/usr/local/src/musl-1.2.3.tar.gz (or name musl-1.2.3.tar.gz or its unpacked tree" \
        "with -DVEXMOL_MUSL_SOURCE=)" >&2
    exit 1
fi
if [[ ! -s $work/src/COPYRIGHT ]]; then
    echo "$source holds no COPYRIGHT, the notice that must travel with musl" >&2
    exit 1
fi

echo "-- musl: building 1.2.3 for $target with $cc $cflags (once, into $out)" >&2
cd "$work/src"
if [[ $target == armv4-* ]]; then
    # ARMv4 has no bx: the linker rewrites each bx the assembler marks, and it
    # marks none after an ARMv6/v7 helper. __a_cas_dummy, the compare-and-swap
    # in use until the kernel's helper is chosen, follows one: mark it too.
    sed -i 's/^__a_cas_dummy:$/.arch armv4t\n&/' src/thread/arm/atomics.s
    grep -q '^\.arch armv4t$' src/thread/arm/atomics.s || { echo "cannot mark musl's __a_cas_dummy" >&2; exit 1; }
fi
./configure --target="$target" --prefix= --disable-shared --enable-optimize=size \
    CROSS_COMPILE="${cc%gcc}" CC="$cc" CFLAGS="$cflags -ffile-prefix-map=$work/src/=" >"$work/log" 2>&1 &&
    make -j2 lib/libc.a lib/crt1.o lib/crti.o lib/crtn.o >>"$work/log" 2>&1 &&
    make DESTDIR="$work/out" install-headers install-libs >>"$work/log" 2>&1 || {
    tail -n 30 "$work/log" >&2
    echo "musl build for $target failed" >&2
    exit 1
}
cp "$work/src/COPYRIGHT" "$work/out/COPYRIGHT"
rm -rf "$out"
mv "$work/out" "$out"
touch "$out/complete"
echo "-- musl: built for $target in $((SECONDS - started))s" >&2
