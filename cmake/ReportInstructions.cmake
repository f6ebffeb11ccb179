# Included by the disassembly checks (cmake/Check*.cmake): fails naming how
# many instructions a core lacks were found, and the first 20 of them, or says
# that there were none.
function(vexmol_report_instructions subject found what none)
    list(LENGTH found count)
    if(count GREATER 0)
        list(SUBLIST found 0 20 first)
        list(JOIN first "  " first)
        message(FATAL_ERROR "${subject}: ${count} ${what}, such as:\n  ${first}")
    endif()
    message(STATUS "${subject}: ${none}")
endfunction()
