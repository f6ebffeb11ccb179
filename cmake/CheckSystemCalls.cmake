# cmake -DEXECUTABLE=path -DBUDGET=n -DFILE_EXTRA=m -DWORK=dir -P CheckSystemCalls.cmake
# Counts the system calls of one -i UDP run with strace (execve and
# exit_group included) and fails above BUDGET; a -f run of the same record
# may make at most FILE_EXTRA more. Sends one datagram to 127.0.0.1:9.
find_program(STRACE strace REQUIRED)

file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/record" "syscall count\n")

function(count_calls out)
    execute_process(COMMAND ${STRACE} -f -qq -o "${WORK}/trace" ${EXECUTABLE} -i 127.0.0.1 -p 9 ${ARGN}
                    OUTPUT_VARIABLE printed RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT printed STREQUAL "destination address : 127.0.0.1:9.\n")
        message(FATAL_ERROR "the run failed (${status}): ${printed}")
    endif()
    file(STRINGS "${WORK}/trace" lines REGEX "^[0-9]+ +[a-z_0-9]+\\(")
    list(LENGTH lines count)
    file(READ "${WORK}/trace" trace)
    message(STATUS "${count} system calls for ${ARGN}:\n${trace}")
    set(${out} ${count} PARENT_SCOPE)
endfunction()

count_calls(value_calls -v "syscall count")
count_calls(file_calls -f "${WORK}/record")
math(EXPR file_budget "${value_calls} + ${FILE_EXTRA}")
if(value_calls GREATER BUDGET)
    message(FATAL_ERROR "an -i run made ${value_calls} system calls, over the budget of ${BUDGET}")
endif()
if(file_calls GREATER file_budget)
    message(FATAL_ERROR "an -f run made ${file_calls} system calls, over ${value_calls} + ${FILE_EXTRA}")
endif()
