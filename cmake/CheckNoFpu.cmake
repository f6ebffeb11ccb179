# cmake -DEXECUTABLE=path -DOBJDUMP=path [-DARCH=mips|powerpc] -P CheckNoFpu.cmake
# Fails when the soft-float executable holds any FPU instruction: the cores
# it is for have no FPU, nor their kernels an emulator, so the first one
# would kill the program with SIGILL. ARCH defaults to mips.
#
# MIPS, 32 and 64 bit: coprocessor 1 loads, stores and moves (also the
# 64-bit dmfc1/dmtc1), arithmetic, conversions, compares and branches on FPU
# conditions. Every one of them names an FPU register ($fN, $fccN) or is one
# of the mnemonics below (cfc1/ctc1 name a control register as a plain
# number).
#
# PowerPC: the e500 cores have no classic FPU (their SPE unit is another
# instruction set) and the 44x/46x ones no SPE; neither has AltiVec or VSX.
# Floating-point loads and stores (lfs/lfd/stfs/stfd, indexed and update
# forms, stfiwx, lfiw[az]x), every mnemonic that starts with f (arithmetic,
# fmr, fcmpu/fcmpo, fctiw*, frsp, ...; no integer instruction does), the
# FPSCR moves (mffs, mtfsf, mtfsfi, mtfsb0/1, mcrfs), SPE (ev*, efs*, efd*)
# and anything naming an FPU or vector register (fN, vN, vsN; objdump shows
# SPE encodings that AltiVec shares as AltiVec).
if(NOT ARCH)
    set(ARCH mips)
endif()
if(ARCH STREQUAL "mips")
    set(known "\t(lui|jr|addiu)\t")
    set(mnemonic "[lsd][wd]x?c1|[ls]uxc1|d?m[ft]h?c1|[ct][ft]c1|bc1[ft]l?|mov[ft]|c\\.[a-z]+\\.(s|d|ps)")
    set(format "[a-z0-9]+(\\.[a-z0-9]+)*\\.(s|d|ps)(\\.[wl])?|cvt\\.[a-z.]+")
    set(instruction "(${mnemonic}|${format})(\t[^\n]*)?|[a-z0-9.]+\t[^\n]*\\$f(cc)?[0-9][^\n]*")
elseif(ARCH STREQUAL "powerpc")
    set(known "\t(lwz|stw) +r[0-9]")
    set(memory "lf[sd]u?x?|stf[sd]u?x?|stfiwx|lfiw[az]x")
    set(fpscr "mffs[a-z]*|mtfsf|mtfsfi|mtfsb[01]|mcrfs")
    set(spe "ev[a-z]+|efs[a-z]+|efd[a-z]+")
    set(instruction "(${memory}|f[a-z]+|${fpscr}|${spe})\\.?( [^\n]*)?|[a-z0-9_.]+ +([^\n]*[ ,])?(f|vs?)[0-9]+([,)][^\n]*)?")
else()
    message(FATAL_ERROR "CheckNoFpu.cmake: ARCH must be mips or powerpc, not '${ARCH}'")
endif()
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${EXECUTABLE}
    OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT listing MATCHES "${known}")
    message(FATAL_ERROR "${OBJDUMP} cannot disassemble ${EXECUTABLE}")
endif()
if(ARCH STREQUAL "powerpc")
    # A word that a bl to the address after it jumps over is data, not code:
    # musl's _start keeps an offset there, which may read as anything.
    string(REGEX MATCHALL "[0-9a-f]+:\tbl +(0x)?[0-9a-f]+[^\n]*\n *[0-9a-f]+:\t[^\n]*\n" jumps "${listing}")
    foreach(jump IN LISTS jumps)
        string(REGEX MATCH "^([0-9a-f]+):\tbl +(0x)?([0-9a-f]+)[^\n]*\n" call "${jump}")
        math(EXPR over "0x${CMAKE_MATCH_1} + 8")
        math(EXPR target "0x${CMAKE_MATCH_3}")
        if(over EQUAL target)
            string(REPLACE "${jump}" "${call}" listing "${listing}")
        endif()
    endforeach()
endif()
string(REGEX MATCHALL "[0-9a-f]+:\t(${instruction})\n" found "${listing}")
include(${CMAKE_CURRENT_LIST_DIR}/ReportInstructions.cmake)
vexmol_report_instructions("${EXECUTABLE}" "${found}" "FPU instructions" "no FPU instruction")
