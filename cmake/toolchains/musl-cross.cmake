# Static executables with a musl-native cross compiler from a device SDK
# (OpenWrt SDK, Buildroot, musl-cross-make, ...). Such compilers target musl
# already, so no header/crt plumbing is needed, only static linking:
#
#   cmake -S . -B build-dev --toolchain cmake/toolchains/musl-cross.cmake \
#         -DVEXMOL_MUSL_CXX=/opt/sdk/bin/aarch64-openwrt-linux-musl-g++
#
# Cache variables:
#   VEXMOL_MUSL_CXX            C++ compiler (required)
#   VEXMOL_MUSL_CC             C compiler; default derived from VEXMOL_MUSL_CXX
#                              (...g++ -> ...gcc, ...clang++ -> ...clang, ...c++ -> ...cc)
#   VEXMOL_MUSL_SYSROOT        --sysroot, if the compiler has no built-in one
#   VEXMOL_MUSL_EMULATOR       runs target binaries for ctest (e.g. /usr/bin/qemu-aarch64)
#   VEXMOL_MUSL_MAX_PAGE_SIZE  ld -z max-page-size (e.g. 4096); empty = linker default
#   VEXMOL_MUSL_NOTICE         the COPYRIGHT of the SDK's musl (from the musl source
#                              it was built from), carried beside the executable in
#                              THIRD-PARTY-NOTICES; musl's licence asks for it in
#                              every copy shipped
#
# Executables of every language are linked by the C driver with -static, so
# libstdc++/libsupc++ never get linked (as with the Debian musl toolchains):
# code that needs them fails to link instead of growing the binary.
# OpenWrt SDKs also want STAGING_DIR in the environment.

set(VEXMOL_MUSL_CXX "" CACHE FILEPATH "musl-native C++ cross compiler")
set(VEXMOL_MUSL_CC "" CACHE FILEPATH "musl-native C cross compiler (default: derived from VEXMOL_MUSL_CXX)")
set(VEXMOL_MUSL_SYSROOT "" CACHE PATH "sysroot for the cross compiler (optional)")
set(VEXMOL_MUSL_EMULATOR "" CACHE FILEPATH "emulator for target executables (optional)")
set(VEXMOL_MUSL_MAX_PAGE_SIZE "" CACHE STRING "ld -z max-page-size; empty keeps the linker default")
set(VEXMOL_MUSL_NOTICE "" CACHE FILEPATH "COPYRIGHT of the SDK's musl, carried beside the executable")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VEXMOL_MUSL_CXX VEXMOL_MUSL_CC VEXMOL_MUSL_SYSROOT
     VEXMOL_MUSL_EMULATOR VEXMOL_MUSL_MAX_PAGE_SIZE VEXMOL_MUSL_NOTICE)

if(NOT VEXMOL_MUSL_CXX)
  message(FATAL_ERROR "musl-cross.cmake: set -DVEXMOL_MUSL_CXX=/path/to/<triple>-g++")
endif()
if(NOT VEXMOL_MUSL_CC)
  if(VEXMOL_MUSL_CXX MATCHES "^(.*)clang\\+\\+$")
    set(VEXMOL_MUSL_CC "${CMAKE_MATCH_1}clang")
  elseif(VEXMOL_MUSL_CXX MATCHES "^(.*)g\\+\\+$")
    set(VEXMOL_MUSL_CC "${CMAKE_MATCH_1}gcc")
  elseif(VEXMOL_MUSL_CXX MATCHES "^(.*)c\\+\\+$")
    set(VEXMOL_MUSL_CC "${CMAKE_MATCH_1}cc")
  else()
    message(FATAL_ERROR "musl-cross.cmake: cannot derive the C compiler from ${VEXMOL_MUSL_CXX}; set VEXMOL_MUSL_CC")
  endif()
endif()
set(CMAKE_C_COMPILER "${VEXMOL_MUSL_CC}")
set(CMAKE_CXX_COMPILER "${VEXMOL_MUSL_CXX}")

execute_process(COMMAND "${VEXMOL_MUSL_CXX}" -dumpmachine
                OUTPUT_VARIABLE _vexmol_triple OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT _vexmol_triple MATCHES "musl")
  message(FATAL_ERROR "musl-cross.cmake: '${VEXMOL_MUSL_CXX} -dumpmachine' gave '${_vexmol_triple}', not a musl target")
endif()
string(REGEX REPLACE "-.*" "" _vexmol_cpu "${_vexmol_triple}")
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR "${_vexmol_cpu}")

if(VEXMOL_MUSL_SYSROOT)
  set(CMAKE_SYSROOT "${VEXMOL_MUSL_SYSROOT}")
  set(CMAKE_FIND_ROOT_PATH "${VEXMOL_MUSL_SYSROOT}")
else()
  execute_process(COMMAND "${VEXMOL_MUSL_CXX}" -print-sysroot
                  OUTPUT_VARIABLE _vexmol_sysroot OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _vexmol_sysroot)  # musl-cross-make layout: <prefix>/bin/<cc>, <prefix>/<triple>/{include,lib}
    get_filename_component(_vexmol_sysroot "${VEXMOL_MUSL_CXX}/../../${_vexmol_triple}" ABSOLUTE)
  endif()
  set(CMAKE_FIND_ROOT_PATH "${_vexmol_sysroot}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The notice travels with the executable (see musl-common.cmake).
set(_vexmol_musl_notice "")
if(VEXMOL_MUSL_NOTICE)
  if(NOT EXISTS "${VEXMOL_MUSL_NOTICE}")
    message(FATAL_ERROR "musl-cross.cmake: VEXMOL_MUSL_NOTICE ${VEXMOL_MUSL_NOTICE} not found")
  endif()
  set(_vexmol_musl_notice "${VEXMOL_MUSL_NOTICE}")
  set(_vexmol_musl_notice_from given)
else()
  set(_vexmol_musl_notice_from none)
endif()

if(VEXMOL_MUSL_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${VEXMOL_MUSL_EMULATOR}")
endif()

# Rule variables: see musl-rules.cmake.
set(_vexmol_c_inc "")
set(_vexmol_cxx_inc "")
set(_vexmol_link_head "-static")
if(VEXMOL_MUSL_MAX_PAGE_SIZE)
  string(APPEND _vexmol_link_head " -Wl,-z,max-page-size=${VEXMOL_MUSL_MAX_PAGE_SIZE}")
endif()
set(_vexmol_link_tail "")
set(_vexmol_link_driver "\"${VEXMOL_MUSL_CC}\"")
set(CMAKE_USER_MAKE_RULES_OVERRIDE_C "${CMAKE_CURRENT_LIST_DIR}/musl-rules.cmake")
set(CMAKE_USER_MAKE_RULES_OVERRIDE_CXX "${CMAKE_CURRENT_LIST_DIR}/musl-rules.cmake")
