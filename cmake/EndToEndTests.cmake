# Registers the end-to-end tests against one build of the program.
#
#   flavor  names the build in the test names (native, x86_64-musl, ...)
#   driver  the host-built end-to-end test executable
#   client  the program's executable under test
#   runner  the command that runs it, such as an emulator; empty to run it directly
#   EXCLUDE pattern  optional: test cases (GoogleTest filter) to leave out
#   LOAD_DIVISOR n   optional: the load tests make n times fewer runs, for a
#                    build whose runs cost many times a native one (default 1)
#   TIMEOUT seconds  optional: each test's timeout (default 120)
#
# The tests ask the errno probe, built here with the program's toolchain and
# run by the same runner, how the program's machine and libc number and word
# the errors they expect.
#
# Runs that bind the program's fixed Unix-domain sender path share one lock,
# so CTest never runs them beside each other, in this build or another; so do
# the resolver tests, whose name servers listen on fixed loopback addresses.
function(vexmol_add_end_to_end_tests flavor driver client runner)
    cmake_parse_arguments(PARSE_ARGV 4 option "" "EXCLUDE;LOAD_DIVISOR;TIMEOUT" "")
    set(exclude "")
    if(option_EXCLUDE)
        set(exclude ":-${option_EXCLUDE}")
    endif()
    if(NOT option_LOAD_DIVISOR)
        set(option_LOAD_DIVISOR 1)
    endif()
    if(NOT option_TIMEOUT)
        set(option_TIMEOUT 120)
    endif()
    if(NOT TARGET vexmol_errno_probe)
        # A test helper, never installed; plain C library calls only, so it
        # links wherever the program does.
        add_executable(vexmol_errno_probe ${PROJECT_SOURCE_DIR}/tests/e2e/errno_probe.cpp)
        target_compile_options(vexmol_errno_probe PRIVATE -Wall -Wextra -Werror -fno-exceptions -fno-rtti)
    endif()
    # Every run is held against the manual page's lines and exit statuses.
    set(environment "VEXMOL_CLIENT=${client}" "VEXMOL_RUNNER=${runner}"
        "VEXMOL_ERRNO_PROBE=$<TARGET_FILE:vexmol_errno_probe>" "VEXMOL_LOAD_DIVISOR=${option_LOAD_DIVISOR}"
        "VEXMOL_MAN_PAGE=${PROJECT_SOURCE_DIR}/docs/vexmol_udp_client.1")
    add_test(NAME e2e.${flavor}.udp COMMAND ${driver} --gtest_filter=Udp.*${exclude})
    add_test(NAME e2e.${flavor}.resolver COMMAND ${driver} --gtest_filter=Resolver.*${exclude})
    add_test(NAME e2e.${flavor}.unix_domain COMMAND ${driver} --gtest_filter=UnixDomain.*${exclude})
    set_tests_properties(e2e.${flavor}.udp e2e.${flavor}.resolver e2e.${flavor}.unix_domain
        PROPERTIES ENVIRONMENT "${environment}" LABELS "e2e;${flavor}" TIMEOUT ${option_TIMEOUT})
    set_tests_properties(e2e.${flavor}.unix_domain PROPERTIES RESOURCE_LOCK vexmol_log_fd)
    set_tests_properties(e2e.${flavor}.resolver PROPERTIES RESOURCE_LOCK vexmol_dns)
    # A real log daemon receiving the records: a stage of its own (label
    # rsyslog), left out of the build presets' test runs.
    add_test(NAME rsyslog.${flavor} COMMAND ${driver} --gtest_filter=Rsyslog.*${exclude})
    set_tests_properties(rsyslog.${flavor} PROPERTIES
        ENVIRONMENT "${environment};VEXMOL_SOURCE_DIR=${PROJECT_SOURCE_DIR}" LABELS "rsyslog;${flavor}"
        RESOURCE_LOCK vexmol_log_fd TIMEOUT ${option_TIMEOUT})
endfunction()

# Registers the checks of a shipped executable: it starts (through the
# emulator, as CTest runs target executables), it is fully static, it stays
# within its size budget, and it loads on kernels with pages up to page_size
# (empty: no such check), and it carries its version text.
function(vexmol_add_artefact_tests flavor target budget page_size)
    add_test(NAME artefact.${flavor}.runs COMMAND ${target})
    set_tests_properties(artefact.${flavor}.runs PROPERTIES
        PASS_REGULAR_EXPRESSION "^\\[line:183\\] \\[main\\] need ipv4 address or domain!\n$"
        LABELS "artefact;${flavor}" TIMEOUT 30)
    add_test(NAME artefact.${flavor}.static
        COMMAND ${CMAKE_COMMAND} -DEXECUTABLE=$<TARGET_FILE:${target}> -DBUDGET=${budget}
                -DPAGE_SIZE=${page_size} -P ${PROJECT_SOURCE_DIR}/cmake/CheckArtefact.cmake)
    set_tests_properties(artefact.${flavor}.static PROPERTIES LABELS "artefact;${flavor}" TIMEOUT 30)
    vexmol_add_version_text_test(${flavor} ${target})
endfunction()

# Registers the check that the executable carries its version text, through
# section garbage collection and stripping alike.
function(vexmol_add_version_text_test flavor target)
    add_test(NAME artefact.${flavor}.version_text
        COMMAND ${CMAKE_COMMAND} -DEXECUTABLE=$<TARGET_FILE:${target}> -DVERSION=${PROJECT_VERSION}
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckVersionText.cmake)
    set_tests_properties(artefact.${flavor}.version_text PROPERTIES LABELS "artefact;${flavor}" TIMEOUT 30)
endfunction()

# Registers a disassembly check of the program's executable (script, one of
# cmake/Check*.cmake, run with ARCH=arch and any CHECK_ARGUMENTS), and its
# proof: the check fails on every instruction of the samples table that the
# cores lack and passes the rest, as assembled by the build's compiler with
# the flags that follow.
function(vexmol_add_instruction_check name script samples arch)
    cmake_parse_arguments(PARSE_ARGV 4 option "" "" "CHECK_ARGUMENTS")
    set(test artefact.${VEXMOL_FLAVOR}.${name})
    add_test(NAME ${test}
        COMMAND ${CMAKE_COMMAND} -DEXECUTABLE=$<TARGET_FILE:vexmol_udp_client> -DOBJDUMP=${CMAKE_OBJDUMP}
                -DARCH=${arch} ${option_CHECK_ARGUMENTS} -P ${PROJECT_SOURCE_DIR}/cmake/${script})
    add_test(NAME ${test}.check_finds_them
        COMMAND ${CMAKE_COMMAND} -DCHECK=${PROJECT_SOURCE_DIR}/cmake/${script}
                -DSAMPLES=${PROJECT_SOURCE_DIR}/cmake/instruction-samples/${samples}
                -DCOMPILER=${CMAKE_CXX_COMPILER} "-DFLAGS=${option_UNPARSED_ARGUMENTS}" -DOBJDUMP=${CMAKE_OBJDUMP}
                -DARCH=${arch} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/instruction-samples/${name}
                -P ${PROJECT_SOURCE_DIR}/cmake/ProveInstructionCheck.cmake)
    set_tests_properties(${test} ${test}.check_finds_them PROPERTIES LABELS "artefact;${VEXMOL_FLAVOR}" TIMEOUT 30)
endfunction()
