# Static 32-bit Arm soft-float executables against musl for ARMv4 cores
# without Thumb (Faraday FA526 in Cortina Gemini and Moxa ART boards,
# StrongARM), using Debian 12 packages only:
#   apt-get install crossbuild-essential-armel gcc-arm-none-eabi qemu-user
#
#   cmake -S . -B build-armv4 --toolchain cmake/toolchains/armv4-linux-musleabi.cmake
#
# ARMv4 has no bx (nor blx, clz, ldrd/strd). The code is ARM-mode ARMv4,
# soft-float, EABI: with -march=armv4, gcc has the assembler mark every bx and
# the linker rewrite each marked one as mov pc (--fix-v4bx). musl 1.2.3 is
# built from Debian's source package with the same flags, once per machine
# (see musl-common.cmake and build-musl.sh), and its one bx that runs on ARMv4
# (in __a_cas_dummy) is marked too. Debian's armel libgcc.a and crtbeginT.o
# are ARMv5TE code with unmarked bx and clz, so libgcc.a, crtbegin.o and
# crtend.o come from Debian's bare-metal compiler (gcc-arm-none-eabi), whose
# default library is ARMv4T ARM code with every bx marked. Its crtend.o has no
# note for a non-executable stack, hence -z noexecstack; its crt objects are
# marked for the bare-metal ABI's short enums, of which they hold none, so ld
# is told not to warn about it. Its division helpers return on a division by
# zero; the program's own __aeabi_idiv0 (src/division_by_zero.cpp) raises
# SIGFPE instead, as on every other Arm Linux. Tests run through qemu-arm, on
# a StrongARM SA-1100 (ARMv4, which refuses bx) and on an ARM926 (ARMv5TE).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)

set(VEXMOL_MUSL_TARGET armv4-linux-musleabi)
set(VEXMOL_MUSL_DEB_ARCH armel)
set(_vexmol_compiler_package "crossbuild-essential-armel gcc-arm-none-eabi")
set(_vexmol_target_flags -march=armv4 -marm -mfloat-abi=soft -fno-pie)
set(_vexmol_link_flags -Wl,-z,noexecstack -Wl,--no-enum-size-warning)
set(_vexmol_runtime_compiler arm-none-eabi-gcc)
set(_vexmol_gcc_crt_objects crtbegin.o crtend.o)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-arm)
set(_vexmol_default_cpus "sa1100;arm926")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
