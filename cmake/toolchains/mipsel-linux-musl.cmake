# Static little-endian MIPS32 soft-float executables against musl, using
# Debian 12 packages only:
#   apt-get install crossbuild-essential-mipsel qemu-user
#
#   cmake -S . -B build-mipsel --toolchain cmake/toolchains/mipsel-linux-musl.cmake
#
# As mips-linux-musl.cmake, little-endian: MIPS32 release 1, soft-float, o32,
# not position-independent, against musl 1.2.3 built from Debian's source
# package (Debian's own musl-dev:mipsel is hard-float). Tests run through
# qemu-mipsel, on a 24Kc and on a 4Kc. Pages as for mips: 4K.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mipsel)

set(CMAKE_C_COMPILER mipsel-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mipsel-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET mipsel-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH mipsel)
set(_vexmol_compiler_package crossbuild-essential-mipsel)
set(_vexmol_target_flags -march=mips32 -msoft-float -fno-pie -mplt)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-mipsel)
set(_vexmol_default_cpus "24Kc;4Kc")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
