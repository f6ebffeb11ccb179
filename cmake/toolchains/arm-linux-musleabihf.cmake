# Static 32-bit Arm (armv7, hard float) executables against musl, using
# Debian 12 packages only:
#   apt-get install crossbuild-essential-armhf musl-dev:armhf qemu-user
# (after `dpkg --add-architecture armhf`).
#
#   cmake -S . -B build-armhf --toolchain cmake/toolchains/arm-linux-musleabihf.cmake
#
# Debian's armhf compiler defaults to ARMv7-A, Thumb-2, VFPv3-D16 and the
# hard-float EABI, which is what musl-dev:armhf is built for; the executable
# asks the same of the device. Tests run through qemu-arm.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

set(VEXMOL_MUSL_TARGET arm-linux-musleabihf)
set(VEXMOL_MUSL_DEB_ARCH armhf)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-arm)
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
