# Static 32-bit PowerPC soft-float executables against musl, using Debian 12
# packages only:
#   apt-get install g++-powerpc-linux-gnu qemu-user
#
#   cmake -S . -B build-powerpc --toolchain cmake/toolchains/powerpc-linux-muslsf.cmake
#
# For 32-bit PowerPC routers and boards: Freescale e500 (MPC85xx, whose SPE
# unit is no classic FPU) and AMCC/APM 44x/46x cores. The code is the common
# 32-bit PowerPC instruction set (-mcpu=powerpc), soft-float, with a 64-bit
# long double: musl has no IBM double-double long double, Debian's default.
# The executable is static and not position-independent, so the code is too
# (-fno-pie). Debian 12 does not release 32-bit PowerPC, so it has no musl for
# it: musl 1.2.3 is built from Debian's source package with the same compiler
# and flags, once per machine (see musl-common.cmake and build-musl.sh). Tests
# run through qemu-ppc, on an e500v2 (no FPU) and on a 460EX.
#
# VEXMOL_MUSL_MAX_PAGE_SIZE defaults to 16384: the executable loads on kernels
# with 4K pages (every e500 kernel, and 44x/46x ones as router firmware builds
# them) and with 16K pages (an option on 44x/46x) at the size 4K gives. 65536
# loads on 44x/46x kernels built with 64K pages too, 16 KiB larger.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(CMAKE_C_COMPILER powerpc-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER powerpc-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET powerpc-linux-muslsf)
set(VEXMOL_MUSL_DEB_ARCH powerpc)
set(_vexmol_compiler_package g++-powerpc-linux-gnu)
set(_vexmol_target_flags -mcpu=powerpc -msoft-float -mlong-double-64 -fno-pie)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 16384)
set(_vexmol_qemu qemu-ppc)
set(_vexmol_default_cpus "e500v2_v10;460ex")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
