# Static x86-64 executables against musl, using Debian 12 packages only:
#   apt-get install g++ musl-dev
#
#   cmake -S . -B build-x86_64 --toolchain cmake/toolchains/x86_64-linux-musl.cmake
#
# On an x86-64 host this is a native build with another libc: CMake does not
# treat it as cross-compiling, so tests and try_run() execute directly.
# Elsewhere it cross-compiles (needs g++-x86-64-linux-gnu, musl-dev:amd64)
# and runs tests through qemu-x86_64.

if(NOT CMAKE_HOST_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(CMAKE_SYSTEM_NAME Linux)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  find_program(VEXMOL_QEMU_X86_64 NAMES qemu-x86_64 qemu-x86_64-static)
  if(VEXMOL_QEMU_X86_64)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${VEXMOL_QEMU_X86_64}")
  endif()
endif()

set(CMAKE_C_COMPILER x86_64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER x86_64-linux-gnu-g++)

set(VEXMOL_MUSL_ARCH x86_64)
set(_vexmol_default_page_size "")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
