# Static little-endian MIPS64 soft-float executables against musl, using
# Debian 12 packages only:
#   apt-get install g++-mips64el-linux-gnuabi64 qemu-user
#
#   cmake -S . -B build-mips64el --toolchain cmake/toolchains/mips64el-linux-musl.cmake
#
# As mips64-linux-musl.cmake, little-endian: MIPS64 release 1, n64,
# soft-float, not position-independent and linked at 0x400000, against musl
# 1.2.3 built from Debian's source package (Debian's own musl-dev:mips64el is
# hard-float). Tests run through qemu-mips64el, on a 5KEc (release 2, no FPU)
# and on a 20Kc (release 1, with FPU). Pages as for mips64: 4K or 16K.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips64el)

set(CMAKE_C_COMPILER mips64el-linux-gnuabi64-gcc)
set(CMAKE_CXX_COMPILER mips64el-linux-gnuabi64-g++)

set(VEXMOL_MUSL_TARGET mips64el-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH mips64el)
set(_vexmol_compiler_package g++-mips64el-linux-gnuabi64)
set(_vexmol_target_flags -march=mips64 -mabi=64 -msoft-float -fno-pie -msym32 -mplt)
set(_vexmol_link_flags -Wl,-Ttext-segment=0x400000)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 16384)
set(_vexmol_qemu qemu-mips64el)
set(_vexmol_default_cpus "5KEc;20Kc")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
