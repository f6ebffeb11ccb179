# Static big-endian MIPS64 soft-float executables against musl, using Debian
# 12 packages only:
#   apt-get install g++-mips64-linux-gnuabi64 qemu-user
#
#   cmake -S . -B build-mips64 --toolchain cmake/toolchains/mips64-linux-musl.cmake
#
# For 64-bit MIPS routers and boards (Cavium Octeon, MIPS64r2 systems): the
# code is MIPS64 release 2 for the n64 ABI, soft-float, because the Octeon
# cores have no FPU. Debian's compiler defaults to hard float; Debian builds
# no soft-float musl for MIPS64, so musl 1.2.3 is built from Debian's source
# package with the same compiler and flags, once per machine (see
# musl-common.cmake and build-musl.sh). Tests run through qemu-mips64, on an
# Octeon68XX (no FPU) and on a generic MIPS64r2 core.
#
# VEXMOL_MUSL_MAX_PAGE_SIZE defaults to 65536, ld's own default for MIPS: the
# executable loads on kernels with 4K, 16K and 64K pages (a MIPS64 kernel may
# be built with any of them) and is no larger than with 16384; 4096 saves
# 4 KiB.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips64)

set(CMAKE_C_COMPILER mips64-linux-gnuabi64-gcc)
set(CMAKE_CXX_COMPILER mips64-linux-gnuabi64-g++)

set(VEXMOL_MUSL_TARGET mips64-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH mips64)
set(_vexmol_compiler_package g++-mips64-linux-gnuabi64)
set(_vexmol_target_flags -march=mips64r2 -mabi=64 -msoft-float)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 65536)
set(_vexmol_qemu qemu-mips64)
set(_vexmol_default_cpus "Octeon68XX;MIPS64R2-generic")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
