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
    set(vexmol_runtime "GCC ${CMAKE_CXX_COMPILER_VERSION}'s runtime (libgcc's helper routines, the crtbeginT.o
  and crtend.o objects, code from libstdc++'s headers): under the
  GCC Runtime Library Exception, which asks for no notice.")
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
