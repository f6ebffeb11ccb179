# Static aarch64 executables against musl, using Debian 12 packages only:
#   apt-get install crossbuild-essential-arm64 musl-dev:arm64 qemu-user
# (after `dpkg --add-architecture arm64`).
#
#   cmake -S . -B build-aarch64 --toolchain cmake/toolchains/aarch64-linux-musl.cmake
#
# Tests run through qemu-aarch64 via CMAKE_CROSSCOMPILING_EMULATOR.
# VEXMOL_MUSL_MAX_PAGE_SIZE defaults to 4096: ld's aarch64 default (65536)
# pads the file heavily. Set it to 16384/65536 (or empty) for a device whose
# kernel uses 16K/64K pages; a 4K-aligned binary does not load there.
#
# Debian's compiler has ld work around the Cortex-A53's erratum 843419 (an
# adrp at the end of a 4K page): by default with a veneer where it could
# rewrite the adrp as an adr, and ld may then pad the code by up to a page.
# The executable is far smaller than the megabyte an adr reaches, so every
# such adrp is rewritten (the link fails should one ever be out of reach).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET aarch64-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH arm64)
set(_vexmol_default_page_size 4096)
set(_vexmol_link_flags -Wl,--fix-cortex-a53-843419=adr)
set(_vexmol_qemu qemu-aarch64)
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
