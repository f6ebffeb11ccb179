# Static little-endian MIPS32 executables against musl, using Debian 12
# packages only:
#   apt-get install crossbuild-essential-mipsel musl-dev:mipsel qemu-user
# (after `dpkg --add-architecture mipsel`).
#
#   cmake -S . -B build-mipsel --toolchain cmake/toolchains/mipsel-linux-musl.cmake
#
# Debian's mipsel compiler defaults to MIPS32r2 and the o32 ABI with hard
# float in the FPXX mode, as musl-dev:mipsel is built. Tests run through
# qemu-mipsel.
#
# VEXMOL_MUSL_MAX_PAGE_SIZE defaults to 16384, which loads on kernels with 4K
# and with 16K pages (both occur on MIPS devices); ld's own default for MIPS
# is 64K.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mipsel)

set(CMAKE_C_COMPILER mipsel-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mipsel-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET mipsel-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH mipsel)
set(_vexmol_default_page_size 16384)
set(_vexmol_qemu qemu-mipsel)
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
