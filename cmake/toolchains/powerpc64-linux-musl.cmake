# Static 64-bit big-endian PowerPC executables against musl, for e5500 cores
# (NXP QorIQ P5020, T1023 and the like), using Debian 12 packages only:
#   apt-get install g++-powerpc64-linux-gnu qemu-user
#
#   cmake -S . -B build-powerpc64 --toolchain cmake/toolchains/powerpc64-linux-musl.cmake
#
# musl supports 64-bit PowerPC only with the ELFv2 ABI and a 64-bit long
# double; Debian's compiler defaults to ELFv1 and a 128-bit IBM long double,
# so both are asked for. The code is for the e5500 (-mcpu=e5500: 64-bit Power
# ISA 2.06 with a classic FPU, no AltiVec or VSX). Debian 12 does not release
# ppc64, so it has no musl for it: musl 1.2.3 is built from Debian's source
# package with the same compiler and flags, once per machine (see
# musl-common.cmake and build-musl.sh). Debian's crtbeginT.o and crtend.o
# are ELFv1 objects, which cannot be linked into ELFv2 code; nothing of them
# is needed (no C++ exceptions, no __dso_handle, musl runs the init and fini
# arrays), so neither is linked. Nothing of libgcc.a is either: should
# something need it one day, the link fails on its ELFv1 code instead of
# mixing the two. Tests run through qemu-ppc64, on an e5500 and an e6500.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc64)

set(CMAKE_C_COMPILER powerpc64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER powerpc64-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET powerpc64-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH ppc64)
set(_vexmol_compiler_package g++-powerpc64-linux-gnu)
set(_vexmol_target_flags -mabi=elfv2 -mcpu=e5500 -mlong-double-64 -fno-pie)
set(_vexmol_gcc_crt_objects NONE)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-ppc64)
set(_vexmol_default_cpus "e5500;e6500")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
