# Static big-endian MIPS32 soft-float executables against musl, using Debian
# 12 packages only:
#   apt-get install crossbuild-essential-mips qemu-user
#
#   cmake -S . -B build-mips --toolchain cmake/toolchains/mips-linux-musl.cmake
#
# Most MIPS routers have no FPU and their kernels no FPU emulator, so the code
# is MIPS32 release 1 (it runs on release 1 and 2 cores alike), soft-float,
# o32. The executable is static and not position-independent, so the code is
# too (-fno-pie -mplt: direct calls and absolute addresses instead of the
# GOT), a sixth smaller. Debian builds no soft-float musl, so musl 1.2.3 is
# built from Debian's source package with the same compiler and flags, once
# per machine (see musl-common.cmake and build-musl.sh). Tests run through
# qemu-mips, on a 24Kc and on a 4Kc (MIPS32 release 1).
#
# VEXMOL_MUSL_MAX_PAGE_SIZE defaults to 4096: router MIPS kernels use 4K
# pages. ld aligns the end of the RELRO part of the data to the page size, so
# each larger page size may cost up to a page of padding (16384 loads on
# kernels with 16K pages as well).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips)

set(CMAKE_C_COMPILER mips-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mips-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET mips-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH mips)
set(_vexmol_compiler_package crossbuild-essential-mips)
set(_vexmol_target_flags -march=mips32 -msoft-float -fno-pie -mplt)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-mips)
set(_vexmol_default_cpus "24Kc;4Kc")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
