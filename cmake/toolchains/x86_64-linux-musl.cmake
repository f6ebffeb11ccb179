# Static x86-64 executables against musl, using Debian 12 packages only:
#   apt-get install g++ musl-dev
#
#   cmake -S . -B build-x86_64 --toolchain cmake/toolchains/x86_64-linux-musl.cmake
#
# On an x86-64 host this is a native build with another libc: CMake does not
# treat it as cross-compiling, so tests and try_run() execute directly.
# Elsewhere it cross-compiles (needs g++-x86-64-linux-gnu, musl-dev:amd64)
# and runs tests through qemu-x86_64.

set(_vexmol_qemu "")
if(NOT CMAKE_HOST_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(CMAKE_SYSTEM_NAME Linux)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(_vexmol_qemu qemu-x86_64)
endif()

set(CMAKE_C_COMPILER x86_64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER x86_64-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET x86_64-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH amd64)
set(_vexmol_default_page_size "")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
