# Static 32-bit x86 executables against musl, for every x86 core from the
# i486 on, using Debian 12 packages only:
#   apt-get install crossbuild-essential-i386 qemu-user
#
#   cmake -S . -B build-i386 --toolchain cmake/toolchains/i386-linux-musl.cmake
#
# 32-bit x86 gateways and thin clients range from Pentium-class and older
# SoCs to the Pentium 4, so the code is i486 code with x87 floating point:
# Debian's i686 compiler would otherwise use cmov and long NOPs, which cores
# before the Pentium Pro lack. The executable is static and not
# position-independent, so the code is too (-fno-pie: no GOT and no
# program-counter thunks). Debian's musl-dev:i386 is built for the i686 (and
# position-independent), so musl 1.2.3 is built from Debian's source package
# with the same compiler and flags, once per machine (see musl-common.cmake
# and build-musl.sh). Tests run through qemu-i386, on a 486 and on a Pentium.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i386)

set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET i386-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH i386)
set(_vexmol_compiler_package crossbuild-essential-i386)
set(_vexmol_target_flags -march=i486 -fno-pie)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-i386)
set(_vexmol_default_cpus "486;pentium")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
