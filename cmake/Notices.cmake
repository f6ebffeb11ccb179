# The licences that travel with what the project builds: LICENSE with every
# installation, and, for an executable that links musl statically, the file
# THIRD-PARTY-NOTICES in the build folder, with musl's copyright and licence
# as the toolchain names it (_vexmol_musl_notice, see
# cmake/toolchains/musl-common.cmake). tools/dist puts the same file into
# the release archives.

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(_vexmol_musl_notice_from STREQUAL "none")
  message(WARNING "No notice for the musl this links, so no THIRD-PARTY-NOTICES: name that musl's COPYRIGHT "
                  "with -DVEXMOL_MUSL_NOTICE= before shipping what this builds; musl's licence asks for it "
                  "in every copy.")
endif()

if(_vexmol_musl_notice)
  if(_vexmol_musl_notice_from STREQUAL "source")
    set(vexmol_musl_what " 1.2.3, built from its release source with this executable's
  compiler and flags")
    set(vexmol_musl_notice_name "the file COPYRIGHT of that source")
  elseif(_vexmol_musl_notice_from STREQUAL "debian")
    # The package's version says which musl, and so which notice.
    execute_process(COMMAND dpkg-query -W -f=\${Version} musl-dev:${VEXMOL_MUSL_DEB_ARCH}
                    OUTPUT_VARIABLE vexmol_musl_dev_version ERROR_QUIET RESULT_VARIABLE vexmol_rc)
    if(NOT vexmol_rc EQUAL 0)
      set(vexmol_musl_dev_version "")
    endif()
    string(JOIN " " vexmol_musl_what ", from Debian's package musl-dev" ${vexmol_musl_dev_version}
           "(${VEXMOL_MUSL_DEB_ARCH})")
    set(vexmol_musl_notice_name "that package's copyright file, /usr/share/doc/musl-dev/copyright")
  else()
    set(vexmol_musl_what "")
    set(vexmol_musl_notice_name "the notice named for it at the build (VEXMOL_MUSL_NOTICE)")
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # The GCC whose runtime the link takes: the toolchain's own compiler, or
    # the one it names (ARMv4 links the bare-metal compiler's), with the crt
    # objects it names (none on 64-bit PowerPC).
    set(vexmol_runtime_gcc "${_vexmol_runtime_compiler}")
    if(NOT vexmol_runtime_gcc)
      set(vexmol_runtime_gcc "${CMAKE_CXX_COMPILER}")
    endif()
    execute_process(COMMAND "${vexmol_runtime_gcc}" -dumpfullversion OUTPUT_VARIABLE vexmol_runtime_version
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE vexmol_rc)
    if(NOT vexmol_rc EQUAL 0 OR NOT vexmol_runtime_version)
      set(vexmol_runtime_version "${CMAKE_CXX_COMPILER_VERSION}")
    endif()
    set(vexmol_runtime_crt "${_vexmol_gcc_crt_objects}")
    if(NOT vexmol_runtime_crt)
      set(vexmol_runtime_crt crtbeginT.o crtend.o)
    endif()
    if(vexmol_runtime_crt STREQUAL "NONE")
      set(vexmol_runtime_crt "no crt objects")
    else()
      list(JOIN vexmol_runtime_crt " and " vexmol_runtime_crt)
      set(vexmol_runtime_crt "the ${vexmol_runtime_crt} objects")
    endif()
    set(vexmol_runtime "GCC ${vexmol_runtime_version}'s runtime (what the link takes of libgcc's helper
  routines, ${vexmol_runtime_crt}, code from libstdc++'s headers):
  under the GCC Runtime Library Exception, which asks for no notice.")
  else()
    set(vexmol_runtime "The runtime of ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION}: see its licence.")
  endif()
  file(READ "${_vexmol_musl_notice}" vexmol_musl_notice_text)
  string(STRIP "${vexmol_musl_notice_text}" vexmol_musl_notice_text)
  # Rewritten only when its text changes; written anew when the notice does.
  configure_file(${CMAKE_CURRENT_LIST_DIR}/THIRD-PARTY-NOTICES.in ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES @ONLY)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_vexmol_musl_notice}")
  install(FILES ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
