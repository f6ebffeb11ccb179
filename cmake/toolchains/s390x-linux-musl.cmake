# Static s390x executables against musl, using Debian 12 packages only:
#   apt-get install crossbuild-essential-s390x musl-dev:s390x qemu-user
# (after `dpkg --add-architecture s390x`).
#
#   cmake -S . -B build-s390x --toolchain cmake/toolchains/s390x-linux-musl.cmake
#
# Not a device build: s390x is the big-endian machine Debian has a musl for,
# so the end-to-end tests run here under qemu-s390x prove the byte-order
# handling (ports, addresses, the -i parser) on a big-endian target.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)

set(CMAKE_C_COMPILER s390x-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER s390x-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET s390x-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH s390x)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-s390x)
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
