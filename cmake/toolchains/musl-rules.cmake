# Rule variables for the musl toolchains. Loaded through
# CMAKE_USER_MAKE_RULES_OVERRIDE_<LANG>, i.e. after CMake's GNU compiler
# module (which would reset the preprocess/assembly rules), for the real
# project and for every try_compile project alike.
#
# Inputs, set by the toolchain file:
#   _vexmol_c_inc, _vexmol_cxx_inc   flags put in front of every compile
#   _vexmol_link_head                flags/objects before <OBJECTS>
#   _vexmol_link_tail                libraries/objects after <LINK_LIBRARIES>
#   _vexmol_link_driver              driver that links executables of every
#                                    language; empty = the language's own

foreach(_lang IN ITEMS C CXX)
  set(_inc "${_vexmol_c_inc}")
  if(_lang STREQUAL "CXX")
    set(_inc "${_vexmol_cxx_inc}")
  endif()
  set(_ld "${_vexmol_link_driver}")
  if(NOT _ld)
    set(_ld "<CMAKE_${_lang}_COMPILER>")
  endif()
  set(CMAKE_${_lang}_COMPILE_OBJECT
      "<CMAKE_${_lang}_COMPILER> ${_inc} <DEFINES> <INCLUDES> <FLAGS> -o <OBJECT> -c <SOURCE>")
  set(CMAKE_${_lang}_CREATE_PREPROCESSED_SOURCE
      "<CMAKE_${_lang}_COMPILER> ${_inc} <DEFINES> <INCLUDES> <FLAGS> -E <SOURCE> > <PREPROCESSED_SOURCE>")
  set(CMAKE_${_lang}_CREATE_ASSEMBLY_SOURCE
      "<CMAKE_${_lang}_COMPILER> ${_inc} <DEFINES> <INCLUDES> <FLAGS> -S <SOURCE> -o <ASSEMBLY_SOURCE>")
  set(CMAKE_${_lang}_LINK_EXECUTABLE
      "${_ld} <FLAGS> <CMAKE_${_lang}_LINK_FLAGS> <LINK_FLAGS> ${_vexmol_link_head} <OBJECTS> -o <TARGET> <LINK_LIBRARIES> ${_vexmol_link_tail}")
endforeach()

# Static executables only: add_library(SHARED/MODULE) degrades to STATIC with
# a CMake warning instead of producing a glibc-linked shared object, and
# find_library() prefers archives.
set_property(GLOBAL PROPERTY TARGET_SUPPORTS_SHARED_LIBS FALSE)
set(CMAKE_FIND_LIBRARY_SUFFIXES ".a")
