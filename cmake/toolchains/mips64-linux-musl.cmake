# Static big-endian MIPS64 soft-float executables against musl, using Debian
# 12 packages only:
#   apt-get install g++-mips64-linux-gnuabi64 qemu-user
#
#   cmake -S . -B build-mips64 --toolchain cmake/toolchains/mips64-linux-musl.cmake
#
# For 64-bit MIPS routers and boards (Cavium Octeon, MIPS64 release 1 and 2
# cores): the code is MIPS64 release 1, which release 1 cores (5Kc, 20Kc) and
# release 2 ones run alike, for the n64 ABI, soft-float, because the Octeon
# cores have no FPU. The executable is static and not position-independent,
# and is linked at 0x400000 like a 32-bit one, so every symbol lies in the low
# 2 GiB: -fno-pie -msym32 -mplt build addresses from two instructions and call
# directly, instead of going through the GOT, a sixth smaller. Debian's
# compiler defaults to hard float; Debian builds no soft-float musl for
# MIPS64, so musl 1.2.3 is built from Debian's source package with the same
# compiler and flags, once per machine (see musl-common.cmake and
# build-musl.sh). Tests run through qemu-mips64, on an Octeon68XX (release 2,
# no FPU) and on a 5Kc (release 1, no FPU).
#
# VEXMOL_MUSL_MAX_PAGE_SIZE defaults to 16384: the executable loads on
# kernels with 4K and with 16K pages (Loongson 3 kernels use 16K) at the size
# 4K gives. 65536 loads on kernels with 64K pages too, a page larger.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips64)

set(CMAKE_C_COMPILER mips64-linux-gnuabi64-gcc)
set(CMAKE_CXX_COMPILER mips64-linux-gnuabi64-g++)

set(VEXMOL_MUSL_TARGET mips64-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH mips64)
set(_vexmol_compiler_package g++-mips64-linux-gnuabi64)
set(_vexmol_target_flags -march=mips64 -mabi=64 -msoft-float -fno-pie -msym32 -mplt)
set(_vexmol_link_flags -Wl,-Ttext-segment=0x400000)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 16384)
set(_vexmol_qemu qemu-mips64)
set(_vexmol_default_cpus "Octeon68XX;5Kc")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
