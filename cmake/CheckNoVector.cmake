# cmake -DEXECUTABLE=path -DOBJDUMP=path -P CheckNoVector.cmake
# Fails when the 64-bit PowerPC executable holds a vector instruction: the
# e5500 has a classic FPU but no AltiVec (VMX) and no VSX, and raises SIGILL
# on the first. Caught: every AltiVec mnemonic (v*, the vector loads and
# stores lv*/stv*, mfvscr/mtvscr, the data stream hints dss/dst*), every VSX
# one (x[svx]*, lxs*/lxv*, stxs*/stxv*, mfvsr*/mtvsr* and their mffpr*/mtfpr*
# spellings), SPE (ev*, efs*, efd*, which shares AltiVec's opcode), and
# anything naming a vector register (vN, vsN). Floating-point instructions
# pass.
set(altivec "v[a-z0-9]+|lv[a-z]+|stv[a-z]+|mfvscr|mtvscr|dss|dssall|dstt?|dststt?")
set(vsx "x[svx][a-z0-9]+|lx[sv][a-z0-9]*|stx[sv][a-z0-9]*|m[ft]vsr[a-z]*|m[ft]fpr[a-z]*")
set(spe "ev[a-z]+|efs[a-z]+|efd[a-z]+")
set(instruction "(${altivec}|${vsx}|${spe})\\.?( [^\n]*)?|[a-z0-9_.]+ +([^\n]*[ ,])?vs?[0-9]+([,)][^\n]*)?")

execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${EXECUTABLE}
    OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT listing MATCHES "\t(ld|std) +r[0-9]")
    message(FATAL_ERROR "${OBJDUMP} cannot disassemble ${EXECUTABLE}")
endif()
string(REGEX MATCHALL "[0-9a-f]+:\t(${instruction})\n" found "${listing}")
include(${CMAKE_CURRENT_LIST_DIR}/ReportInstructions.cmake)
vexmol_report_instructions("${EXECUTABLE}" "${found}" "vector instructions" "no vector instruction")
