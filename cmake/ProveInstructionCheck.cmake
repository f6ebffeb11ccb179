# cmake -DCHECK=script -DSAMPLES=file -DCOMPILER=cc "-DFLAGS=flag;..." -DOBJDUMP=path
#       [-DARCH=name] -DWORK=dir -P ProveInstructionCheck.cmake
# Shows that an instruction check (CheckNoFpu.cmake, CheckI486.cmake, ...) finds
# what it is for and nothing else, on the target's own disassembler output.
# SAMPLES lists instructions, one per line after a word and a tab: "has" or
# "integer" for one the devices run, "data" for a word in the code that is
# never run (as good), any other word for one they lack. All of them are
# assembled into one object with COMPILER and FLAGS: the check must fail on
# it and count exactly the ones the devices lack. The rest alone, in a
# second object, must pass.
file(STRINGS "${SAMPLES}" lines REGEX "^[a-z]+\t")
set(all "")
set(allowed "")
set(forbidden 0)
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^([a-z]+)\t(.*)$" "\\1" kind "${line}")
    string(REGEX REPLACE "^([a-z]+)\t(.*)$" "\\2" instruction "${line}")
    string(APPEND all "\t${instruction}\n")
    if(kind MATCHES "^(has|integer|data)$")
        string(APPEND allowed "\t${instruction}\n")
    else()
        math(EXPR forbidden "${forbidden} + 1")
    endif()
endforeach()
if(forbidden EQUAL 0 OR allowed STREQUAL "")
    message(FATAL_ERROR "${SAMPLES}: needs instructions of both kinds")
endif()

# MIPS: no delay-slot filling by the assembler, so what is listed is what is
# checked. Arm: the unified syntax that objdump writes.
set(prologue "\t.text\n")
if(ARCH STREQUAL "mips")
    string(APPEND prologue "\t.set noreorder\n")
elseif(ARCH STREQUAL "arm")
    string(APPEND prologue "\t.syntax unified\n")
endif()

# Checks one object; sets <out> to the check's exit code and <out>_TEXT to what it said.
function(run_check out name text)
    file(WRITE "${WORK}/${name}.s" "${prologue}${text}")
    execute_process(COMMAND ${COMPILER} ${FLAGS} -c "${WORK}/${name}.s" -o "${WORK}/${name}.o"
        RESULT_VARIABLE rc ERROR_VARIABLE error)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${COMPILER} cannot assemble ${SAMPLES} (${name}):\n${error}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -DEXECUTABLE=${WORK}/${name}.o -DOBJDUMP=${OBJDUMP} -DARCH=${ARCH}
                            -P ${CHECK}
        RESULT_VARIABLE rc OUTPUT_VARIABLE said ERROR_VARIABLE said)
    set(${out} "${rc}" PARENT_SCOPE)
    set(${out}_TEXT "${said}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY "${WORK}")
run_check(mixed mixed "${all}")
# CMake wraps the check's message: read it as one line.
string(REGEX REPLACE "[ \n]+" " " said "${mixed_TEXT}")
if(mixed EQUAL 0 OR NOT said MATCHES ": ([0-9]+) [^:]+, such as")
    message(FATAL_ERROR "${CHECK} passed a mix holding ${forbidden} instructions the devices lack:\n${mixed_TEXT}")
endif()
if(NOT CMAKE_MATCH_1 EQUAL forbidden)
    message(FATAL_ERROR "${CHECK} found ${CMAKE_MATCH_1} of the ${forbidden} instructions the devices lack "
                        "(or some they have):\n${mixed_TEXT}")
endif()
run_check(clean clean "${allowed}")
if(NOT clean EQUAL 0)
    message(FATAL_ERROR "${CHECK} refused instructions the devices have:\n${clean_TEXT}")
endif()
message(STATUS "${CHECK}: found all ${forbidden} of ${SAMPLES}'s forbidden instructions, passed the rest")
