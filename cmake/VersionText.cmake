# cmake -DOUTPUT=file.cpp -DVERSION=x.y.z [-DCOMMIT=text] [-DSOURCE_DIR=dir] -P VersionText.cmake
#
# Writes the source of the version text every executable carries,
# "vexmol_udp_client VERSION (COMMIT)", found with strings(1) or grep -a and
# never printed. COMMIT is the one given (tools/dist names the commit it
# exported), else the source tree's commit as git tells it, with "-dirty"
# when tracked files differ from it, else "unknown": a tree without git or
# its history still builds. Run at every build; the file is rewritten only
# when its text changes, so an unchanged commit rebuilds nothing.

if(NOT COMMIT)
    set(COMMIT "unknown")
    find_program(GIT_COMMAND git)
    if(GIT_COMMAND AND SOURCE_DIR)
        # Only the project's own repository counts, not one the tree happens to sit in.
        execute_process(COMMAND "${GIT_COMMAND}" -C "${SOURCE_DIR}" rev-parse --show-toplevel
                        OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rc)
        if(rc EQUAL 0)
            file(REAL_PATH "${top}" top)
            file(REAL_PATH "${SOURCE_DIR}" source)
        endif()
        if(rc EQUAL 0 AND top STREQUAL source)
            execute_process(COMMAND "${GIT_COMMAND}" -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
                            OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rc)
            if(rc EQUAL 0 AND head MATCHES "^[0-9a-f]+$")
                set(COMMIT "${head}")
                execute_process(COMMAND "${GIT_COMMAND}" -C "${SOURCE_DIR}" diff --quiet HEAD --
                                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
                if(NOT rc EQUAL 0)
                    string(APPEND COMMIT "-dirty")
                endif()
            endif()
        endif()
    endif()
endif()
if(NOT COMMIT MATCHES "^[0-9A-Za-z._-]+$")
    message(FATAL_ERROR "VersionText.cmake: a commit is letters, digits, '.', '_' and '-' (got '${COMMIT}')")
endif()

set(text "vexmol_udp_client ${VERSION} (${COMMIT})")
# A zero byte first, so that strings(1) shows the text alone, whatever
# printable bytes the linker puts before it. Not const: in .data, the last
# part of the file, the text adds its own bytes and nothing more, where in
# .rodata it may push the writable segment onto a new page (4 KiB more on
# armhf).
file(WRITE "${OUTPUT}.new"
     "// Written by cmake/VersionText.cmake at each build; do not edit.\n"
     "// The linker keeps this text (--require-defined) though nothing reads it.\n"
     "extern \"C\" {\n"
     "extern char vexmol_udp_client_version[];\n"
     "char vexmol_udp_client_version[] = \"\\0${text}\";\n"
     "}\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
