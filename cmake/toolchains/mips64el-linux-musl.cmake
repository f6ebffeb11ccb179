# Static little-endian MIPS64 soft-float executables against musl, using
# Debian 12 packages only:
#   apt-get install g++-mips64el-linux-gnuabi64 qemu-user
#
#   cmake -S . -B build-mips64el --toolchain cmake/toolchains/mips64el-linux-musl.cmake
#
# As mips64-linux-musl.cmake, little-endian: MIPS64 release 2, n64,
# soft-float, against musl 1.2.3 built from Debian's source package (Debian's
# own musl-dev:mips64el is hard-float). Tests run through qemu-mips64el, on a
# 5KEc (no FPU) and on a generic MIPS64r2 core. Pages as for mips64: 64K.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips64el)

set(CMAKE_C_COMPILER mips64el-linux-gnuabi64-gcc)
set(CMAKE_CXX_COMPILER mips64el-linux-gnuabi64-g++)

set(VEXMOL_MUSL_TARGET mips64el-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH mips64el)
set(_vexmol_compiler_package g++-mips64el-linux-gnuabi64)
set(_vexmol_target_flags -march=mips64r2 -mabi=64 -msoft-float)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 65536)
set(_vexmol_qemu qemu-mips64el)
set(_vexmol_default_cpus "5KEc;MIPS64R2-generic")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
