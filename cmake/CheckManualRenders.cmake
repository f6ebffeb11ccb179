# cmake -DGROFF=path -DPAGE=manual.1 -P CheckManualRenders.cmake
# Fails when groff, with its tables and every warning on, as man(1) runs it
# on a terminal, has anything to say
# about the manual page.
execute_process(COMMAND ${GROFF} -t -Tutf8 -ww -z -man ${PAGE} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    message(FATAL_ERROR "groff -t -Tutf8 -ww -z -man ${PAGE} (status ${status}):\n${out}${err}")
endif()
