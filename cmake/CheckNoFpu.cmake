# cmake -DEXECUTABLE=path -DOBJDUMP=path -P CheckNoFpu.cmake
# Fails when the MIPS executable holds any FPU (coprocessor 1) instruction:
# loads, stores and moves of FPU registers, arithmetic, conversions, compares
# and branches on FPU conditions. Every one of them names an FPU register
# ($fN, $fccN) or is one of the mnemonics below (cfc1/ctc1 name a control
# register as a plain number).
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${EXECUTABLE}
    OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT listing MATCHES "\t(lui|jr|addiu)\t")
    message(FATAL_ERROR "${OBJDUMP} cannot disassemble ${EXECUTABLE}")
endif()
set(mnemonic "[lsd][wd]x?c1|[ls]uxc1|m[ft]h?c1|[ct][ft]c1|bc1[ft]l?|mov[ft]|c\\.[a-z]+\\.(s|d|ps)")
set(format "[a-z0-9]+(\\.[a-z0-9]+)*\\.(s|d|ps)(\\.[wl])?|cvt\\.[a-z.]+")
string(REGEX MATCHALL
    "[0-9a-f]+:\t((${mnemonic}|${format})(\t[^\n]*)?|[a-z0-9.]+\t[^\n]*\\$f(cc)?[0-9][^\n]*)\n"
    found "${listing}")
list(LENGTH found count)
if(count GREATER 0)
    list(SUBLIST found 0 20 first)
    list(JOIN first "  " first)
    message(FATAL_ERROR "${EXECUTABLE}: ${count} FPU instructions, such as:\n  ${first}")
endif()
message(STATUS "${EXECUTABLE}: no FPU instruction")
