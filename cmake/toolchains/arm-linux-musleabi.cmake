# Static 32-bit Arm soft-float executables against musl, for every 32-bit Arm
# core, using Debian 12 packages only:
#   apt-get install crossbuild-essential-armel musl-dev:armel qemu-user
# (after `dpkg --add-architecture armel`).
#
#   cmake -S . -B build-armel --toolchain cmake/toolchains/arm-linux-musleabi.cmake
#
# Debian's armel compiler defaults to ARMv5TE and the soft-float EABI, which
# is what musl-dev:armel is built for: the executable runs on ARMv5, ARMv6 and
# ARMv7 cores with or without VFP. Tests run through qemu-arm, on an ARMv5
# core and on an ARMv7 core without VFP.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)

set(VEXMOL_MUSL_TARGET arm-linux-musleabi)
set(VEXMOL_MUSL_DEB_ARCH armel)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-arm)
set(_vexmol_default_cpus "arm926;cortex-a9,vfp=off")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
