# Shared part of the Debian musl toolchain files (<musl target>.cmake beside
# this one). Builds fully static executables against musl-dev with Debian's
# stock glibc-targeted GCC; nothing beyond Debian packages.
#
# The including file sets, before include():
#   VEXMOL_MUSL_TARGET           musl's target name, which names Debian's musl-dev
#                                directories: aarch64-linux-musl, arm-linux-musleabihf, ...
#   VEXMOL_MUSL_DEB_ARCH         Debian architecture of that musl-dev: arm64, armhf, ...
#   CMAKE_SYSTEM_PROCESSOR, CMAKE_C_COMPILER / CMAKE_CXX_COMPILER (the Debian
#                                <triplet>-gcc/g++ drivers of the same machine)
#   _vexmol_default_page_size    default for VEXMOL_MUSL_MAX_PAGE_SIZE ("" = ld default)
#   _vexmol_qemu                 qemu-user program that runs the target's executables
#                                on this host, when it is not the host's own machine
#   _vexmol_target_flags         (optional) code generation flags for every compile and
#                                link, such as -march=mips32 -msoft-float
#   _vexmol_musl_from_source     (optional) TRUE where Debian has no musl-dev built with
#                                those flags: musl is built from source instead (below)
#   _vexmol_default_cpus         (optional) default for VEXMOL_QEMU_CPUS
#   _vexmol_link_flags           (optional) flags for the link alone, such as -Wl,-z,noexecstack
#   _vexmol_runtime_compiler     (optional) the GCC driver whose libgcc.a and crt objects
#                                are linked; default CMAKE_CXX_COMPILER
#   _vexmol_gcc_crt_objects      (optional) GCC's begin and end objects to link, default
#                                "crtbeginT.o;crtend.o"; NONE links neither
#
# musl from source: build-musl.sh builds musl 1.2.3 with the same compiler
# and flags, once per machine, into VEXMOL_MUSL_CACHE_DIR (default
# ~/.cache/vexmol-musl, or the build folder without a home), in a folder
# named by a hash of the target, compiler, flags and build script, so a
# change of any of them builds anew. The source is VEXMOL_MUSL_SOURCE,
# by default the release tarball tools/install-deps puts in /usr/local/src
# (Debian's musl source package's), so configuring needs no network.
# Setting both VEXMOL_MUSL_INCLUDE_DIR and VEXMOL_MUSL_LIB_DIR uses a musl
# of one's own.
#
# musl's licence asks that its copyright and permission notice travel with
# every copy, and every executable built here holds a copy: the toolchain
# names the notice of the very musl it links (_vexmol_musl_notice, and
# _vexmol_musl_notice_from: "source" for the COPYRIGHT of the release source
# a musl was built from, "debian" for the copyright file of Debian's
# musl-dev, "given" for VEXMOL_MUSL_NOTICE, "none" for a musl of one's own
# without it), and the project writes it into THIRD-PARTY-NOTICES beside the
# executable (cmake/Notices.cmake).
#
# VEXMOL_QEMU_CPUS: qemu CPU models to run the end-to-end tests under, each
# once (a list; empty runs qemu's default model once).
#
# Compile: -nostdinc, then
#   1. libstdc++'s header directories (C++ only). Header-only use: the
#      library itself is never linked. These must come before musl because
#      <cstdlib>, <cmath>, ... reach <stdlib.h>, <math.h> with #include_next.
#   2. musl's headers.
#   3. GCC's internal headers (arm_neon.h, immintrin.h, stdatomic.h, ...).
#      musl's stddef.h/stdarg.h/... win over GCC's, as with musl-gcc.
#      GCC's include-fixed/ is left out: it holds copies fixed from glibc.
#   libstdc++'s os_defines.h evaluates __GLIBC_PREREQ(), which musl lacks;
#   it is defined to 0 ("not glibc"). c++locale.h (reached from <string>,
#   <iterator>, <ranges>, ...) names glibc's __locale_t, musl's locale_t.
#   Headers built on glibc's ctype_base.h or pthread_*_clock*() still fail
#   to compile: <atomic>, <mutex>, <memory>, <chrono>, <iostream>, <sstream>,
#   <locale>, <thread>, ...
#
# Link (executables): -static -nostdlib, then
#   musl crt1.o crti.o, gcc crtbeginT.o (or _vexmol_gcc_crt_objects), <objects>, <libraries>,
#   musl libc.a + libgcc.a (grouped: aarch64 and s390x printf need libgcc's
#   128-bit long double helpers, 32-bit targets its 64-bit division, libgcc's
#   outline atomics need getauxval),
#   gcc crtend.o, musl crtn.o.
#   libstdc++.a, libsupc++.a and libgcc_eh.a are never linked, so code needing
#   them (operator new/delete, exceptions, __cxa_guard_*, __cxa_pure_virtual,
#   std::__throw_*) fails with "undefined reference" instead of pulling in
#   glibc-built code. musl-link.specs seals the library search path so that
#   -lm/-lpthread/-ldl/-lrt resolve to musl's (empty) archives, never glibc's.
#
# The plumbing is put into CMake's rule variables by musl-rules.cmake, not
# into CMAKE_<LANG>_FLAGS, so presets or -DCMAKE_CXX_FLAGS=... cannot drop it.

if(NOT VEXMOL_MUSL_TARGET OR NOT VEXMOL_MUSL_DEB_ARCH)
  message(FATAL_ERROR "musl-common.cmake: include one of the <musl target>.cmake toolchain files instead")
endif()

set(VEXMOL_MUSL_MAX_PAGE_SIZE "${_vexmol_default_page_size}" CACHE STRING
    "ld -z max-page-size for the executable; empty keeps the linker default")
set(VEXMOL_QEMU_CPUS "${_vexmol_default_cpus}" CACHE STRING
    "qemu CPU models to run the end-to-end tests under, each once; empty: qemu's default")
if(_vexmol_musl_from_source)
  set(VEXMOL_MUSL_INCLUDE_DIR "" CACHE PATH "musl headers; empty: musl built from source")
  set(VEXMOL_MUSL_LIB_DIR "" CACHE PATH "musl crt*.o and libc.a; empty: musl built from source")
  set(VEXMOL_MUSL_SOURCE "" CACHE FILEPATH
      "musl-1.2.3.tar.gz or its unpacked tree; empty: /usr/local/src/musl-1.2.3.tar.gz (tools/install-deps)")
  set(VEXMOL_MUSL_CACHE_DIR "" CACHE PATH "where musl is built and kept; empty: ~/.cache/vexmol-musl")
else()
  set(VEXMOL_MUSL_INCLUDE_DIR "/usr/include/${VEXMOL_MUSL_TARGET}" CACHE PATH "musl headers (musl-dev)")
  set(VEXMOL_MUSL_LIB_DIR "/usr/lib/${VEXMOL_MUSL_TARGET}" CACHE PATH "musl crt*.o and libc.a (musl-dev)")
endif()
set(VEXMOL_MUSL_NOTICE "" CACHE FILEPATH
    "copyright and licence text of a musl of one's own; empty: that of the musl built here or of musl-dev")
# try_compile projects re-read this file; hand them the same settings.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES
     VEXMOL_MUSL_INCLUDE_DIR VEXMOL_MUSL_LIB_DIR VEXMOL_MUSL_MAX_PAGE_SIZE VEXMOL_QEMU_CPUS
     VEXMOL_MUSL_SOURCE VEXMOL_MUSL_CACHE_DIR VEXMOL_MUSL_NOTICE)

set(_vexmol_musl_include "${VEXMOL_MUSL_INCLUDE_DIR}")
set(_vexmol_musl_lib "${VEXMOL_MUSL_LIB_DIR}")
if(_vexmol_musl_from_source AND NOT (VEXMOL_MUSL_INCLUDE_DIR AND VEXMOL_MUSL_LIB_DIR))
  set(_cache "${VEXMOL_MUSL_CACHE_DIR}")
  if(NOT _cache)
    if(DEFINED ENV{HOME} AND IS_DIRECTORY "$ENV{HOME}")
      set(_cache "$ENV{HOME}/.cache/vexmol-musl")
    else()
      set(_cache "${CMAKE_BINARY_DIR}/vexmol-musl")
    endif()
  endif()
  set(_source "${VEXMOL_MUSL_SOURCE}")
  if(_source)
    get_filename_component(_source "${_source}" ABSOLUTE)
  else()
    set(_source /usr/local/src/musl-1.2.3.tar.gz)
  endif()
  execute_process(COMMAND "${CMAKE_C_COMPILER}" --version OUTPUT_VARIABLE _cc_version RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "musl toolchain: ${CMAKE_C_COMPILER} does not run; apt-get install ${_vexmol_compiler_package}")
  endif()
  file(SHA256 "${CMAKE_CURRENT_LIST_DIR}/build-musl.sh" _script)
  string(SHA256 _key "${VEXMOL_MUSL_TARGET}|${_cc_version}|${_vexmol_target_flags}|${_script}|${_source}")
  string(SUBSTRING "${_key}" 0 16 _key)
  set(_vexmol_musl_built "${_cache}/${VEXMOL_MUSL_TARGET}-${_key}")
  if(NOT EXISTS "${_vexmol_musl_built}/complete")
    string(JOIN " " _flags ${_vexmol_target_flags})
    execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/build-musl.sh" "${_vexmol_musl_built}"
                            "${VEXMOL_MUSL_TARGET}" "${CMAKE_C_COMPILER}" "${_flags}" "${_source}"
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "musl toolchain: building musl for ${VEXMOL_MUSL_TARGET} failed")
    endif()
  endif()
  set(_vexmol_musl_include "${_vexmol_musl_built}/include")
  set(_vexmol_musl_lib "${_vexmol_musl_built}/lib")
endif()

# The notice of the musl linked in.
set(_vexmol_musl_notice "")
if(VEXMOL_MUSL_NOTICE)
  set(_vexmol_musl_notice "${VEXMOL_MUSL_NOTICE}")
  set(_vexmol_musl_notice_from given)
elseif(_vexmol_musl_built)
  set(_vexmol_musl_notice "${_vexmol_musl_built}/COPYRIGHT")
  set(_vexmol_musl_notice_from source)
elseif(NOT _vexmol_musl_from_source AND _vexmol_musl_lib STREQUAL "/usr/lib/${VEXMOL_MUSL_TARGET}")
  # The copyright file of the package that installed libc.a: Debian's
  # packagers list in it every copyright holder of the musl they built,
  # their own changes included, with each licence's full text.
  set(_vexmol_musl_notice /usr/share/doc/musl-dev/copyright)
  set(_vexmol_musl_notice_from debian)
else()
  set(_vexmol_musl_notice_from none)  # a musl of one's own, without VEXMOL_MUSL_NOTICE
endif()
if(_vexmol_musl_notice AND NOT EXISTS "${_vexmol_musl_notice}")
  if(_vexmol_musl_notice_from STREQUAL "debian")
    message(FATAL_ERROR "musl toolchain: ${_vexmol_musl_notice} not found; "
                        "apt-get install --reinstall musl-dev:${VEXMOL_MUSL_DEB_ARCH}")
  endif()
  message(FATAL_ERROR "musl toolchain: musl's notice ${_vexmol_musl_notice} not found")
endif()

foreach(_f IN ITEMS "${_vexmol_musl_include}/stdlib.h" "${_vexmol_musl_lib}/libc.a"
                    "${_vexmol_musl_lib}/crt1.o" "${_vexmol_musl_lib}/crti.o" "${_vexmol_musl_lib}/crtn.o")
  if(NOT EXISTS "${_f}" AND _vexmol_musl_from_source)
    message(FATAL_ERROR "musl toolchain: ${_f} not found in VEXMOL_MUSL_INCLUDE_DIR/VEXMOL_MUSL_LIB_DIR "
                        "(empty both to build musl from source)")
  elseif(NOT EXISTS "${_f}")
    message(FATAL_ERROR "musl toolchain: ${_f} not found; apt-get install musl-dev:${VEXMOL_MUSL_DEB_ARCH} "
                        "(after dpkg --add-architecture ${VEXMOL_MUSL_DEB_ARCH} on another machine)")
  endif()
endforeach()

# Cross builds run their tests through qemu-user (CMAKE_CROSSCOMPILING_EMULATOR),
# under the first of VEXMOL_QEMU_CPUS (EndToEndTests.cmake runs the others).
if(_vexmol_qemu)
  find_program(VEXMOL_QEMU NAMES ${_vexmol_qemu} ${_vexmol_qemu}-static)
  if(VEXMOL_QEMU)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${VEXMOL_QEMU}")
    if(VEXMOL_QEMU_CPUS)
      list(GET VEXMOL_QEMU_CPUS 0 _cpu)
      list(APPEND CMAKE_CROSSCOMPILING_EMULATOR -cpu "${_cpu}")
    endif()
  else()
    message(WARNING "${_vexmol_qemu} not found (apt-get install qemu-user); tests cannot run on this host")
  endif()
endif()

# Ask a compiler driver where its own files live (LC_ALL=C: -v output is localised).
if(NOT _vexmol_runtime_compiler)
  set(_vexmol_runtime_compiler "${CMAKE_CXX_COMPILER}")
endif()
function(_vexmol_gcc_query out driver)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C "${driver}" ${ARGN}
                  OUTPUT_VARIABLE _o ERROR_VARIABLE _e RESULT_VARIABLE _rc
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _rc EQUAL 0)
    set(_hint "")
    if(_vexmol_compiler_package)
      set(_hint " (apt-get install ${_vexmol_compiler_package})")
    endif()
    message(FATAL_ERROR "musl toolchain: '${driver} ${ARGN}' failed (${_rc}): ${_e}${_hint}")
  endif()
  set(${out} "${_o}" PARENT_SCOPE)
  set(${out}_STDERR "${_e}" PARENT_SCOPE)
endfunction()

function(_vexmol_gcc_file out driver name)
  _vexmol_gcc_query(_p "${driver}" "-print-file-name=${name}")
  if(NOT IS_ABSOLUTE "${_p}" OR NOT EXISTS "${_p}")
    message(FATAL_ERROR "musl toolchain: ${driver} has no ${name}")
  endif()
  file(REAL_PATH "${_p}" _p)
  set(${out} "${_p}" PARENT_SCOPE)
endfunction()

_vexmol_gcc_file(_vexmol_gcc_include "${CMAKE_CXX_COMPILER}" include)
if(NOT DEFINED _vexmol_gcc_crt_objects)
  set(_vexmol_gcc_crt_objects crtbeginT.o crtend.o)
endif()
set(_vexmol_crtbegin "")
set(_vexmol_crtend "")
if(NOT _vexmol_gcc_crt_objects STREQUAL "NONE")
  list(GET _vexmol_gcc_crt_objects 0 _begin)
  list(GET _vexmol_gcc_crt_objects 1 _end)
  _vexmol_gcc_file(_vexmol_crtbegin "${_vexmol_runtime_compiler}" ${_begin})
  _vexmol_gcc_file(_vexmol_crtend "${_vexmol_runtime_compiler}" ${_end})
endif()
_vexmol_gcc_file(_vexmol_libgcc "${_vexmol_runtime_compiler}" libgcc.a)

# libstdc++ header directories: the "/c++/" entries of the driver's own search list.
_vexmol_gcc_query(_vexmol_v "${CMAKE_CXX_COMPILER}" -xc++ -E -v -o /dev/null /dev/null)
string(REGEX MATCH "#include <\\.\\.\\.> search starts here:\n(.*)\nEnd of search list"
       _vexmol_v "${_vexmol_v_STDERR}")
string(REPLACE "\n" ";" _vexmol_search "${CMAKE_MATCH_1}")
set(_vexmol_cxx_dirs "")
foreach(_d IN LISTS _vexmol_search)
  string(STRIP "${_d}" _d)
  if(_d MATCHES "/c\\+\\+/" AND IS_DIRECTORY "${_d}")
    file(REAL_PATH "${_d}" _d)
    list(APPEND _vexmol_cxx_dirs "${_d}")
  endif()
endforeach()
if(NOT _vexmol_cxx_dirs)
  message(FATAL_ERROR "musl toolchain: cannot find libstdc++ headers of ${CMAKE_CXX_COMPILER}")
endif()

string(JOIN " " _vexmol_flags ${_vexmol_target_flags})
set(_vexmol_c_inc "${_vexmol_flags} -nostdinc -isystem ${_vexmol_musl_include} -isystem ${_vexmol_gcc_include}")
set(_vexmol_cxx_inc "${_vexmol_flags} -nostdinc")
foreach(_d IN LISTS _vexmol_cxx_dirs)
  string(APPEND _vexmol_cxx_inc " -isystem ${_d}")
endforeach()
string(APPEND _vexmol_cxx_inc " -isystem ${_vexmol_musl_include} -isystem ${_vexmol_gcc_include}"
                              " '-D__GLIBC_PREREQ(maj,min)=0' -D__locale_t=locale_t")

set(_vexmol_link_head "${_vexmol_flags} -static -nostdlib \"-specs=${CMAKE_CURRENT_LIST_DIR}/musl-link.specs\" -L${_vexmol_musl_lib}")
if(VEXMOL_MUSL_MAX_PAGE_SIZE)
  string(APPEND _vexmol_link_head " -Wl,-z,max-page-size=${VEXMOL_MUSL_MAX_PAGE_SIZE}")
endif()
if(_vexmol_link_flags)
  string(JOIN " " _f ${_vexmol_link_flags})
  string(APPEND _vexmol_link_head " ${_f}")
endif()
string(APPEND _vexmol_link_head " ${_vexmol_musl_lib}/crt1.o ${_vexmol_musl_lib}/crti.o ${_vexmol_crtbegin}")
set(_vexmol_link_tail "-Wl,--start-group ${_vexmol_musl_lib}/libc.a ${_vexmol_libgcc} -Wl,--end-group")
string(APPEND _vexmol_link_tail " ${_vexmol_crtend} ${_vexmol_musl_lib}/crtn.o")

set(_vexmol_link_driver "")  # link with the language's own driver
set(CMAKE_USER_MAKE_RULES_OVERRIDE_C "${CMAKE_CURRENT_LIST_DIR}/musl-rules.cmake")
set(CMAKE_USER_MAKE_RULES_OVERRIDE_CXX "${CMAKE_CURRENT_LIST_DIR}/musl-rules.cmake")

# Only musl may be found for the target: host glibc headers, libraries and
# packages stay invisible. find_library(c)/find_path(sys/socket.h) land in
# the musl directories ("/" re-rooted under each root); host programs are
# still found.
set(CMAKE_FIND_ROOT_PATH "${_vexmol_musl_lib}" "${_vexmol_musl_include}")
set(CMAKE_LIBRARY_PATH "/")
set(CMAKE_INCLUDE_PATH "/")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
