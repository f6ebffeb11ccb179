# cmake -DEXECUTABLE=path -DOBJDUMP=path -P CheckMipsRelease1.cmake
# Fails when the MIPS32 or MIPS64 executable holds an instruction that
# release 2 brought: a release 1 core (4Kc, 5Kc, 20Kc) raises SIGILL on it.
# The one allowed is rdhwr of the thread pointer ($29), musl's way to it,
# which every MIPS kernel emulates on release 1 cores. The families: the bit
# field extracts and inserts (ext, ins, dext*, dins*), the byte and halfword
# swaps and sign extensions (wsbh, dsbh, dshd, seb, seh), the rotates (rotr*
# and drotr*, which objdump calls ror* and dror*), di/ei, the hazard barriers
# (ehb, jr.hb, jalr.hb), synci, rdpgpr/wrpgpr and rdhwr of any other register.
#
# The listing decodes every release 2 instruction, whatever release the ELF
# header names. Data in the code is left out: the words that musl's _start
# jumps over with a bal (its .gpword table, which may read as jr.hb).
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn -m mips:isa64r2 ${EXECUTABLE}
    OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT listing MATCHES "\t(lui|jr|addiu)\t")
    message(FATAL_ERROR "${OBJDUMP} cannot disassemble ${EXECUTABLE}")
endif()

# "A:\tbal\tT" with T a little ahead: the words from A+8 (after the delay
# slot) up to T are data.
string(REGEX MATCHALL "[0-9a-f]+:\tbal\t(0x)?[0-9a-f]+" jumps "${listing}")
foreach(jump IN LISTS jumps)
    string(REGEX MATCH "^([0-9a-f]+):\tbal\t(0x)?([0-9a-f]+)" jump "${jump}")
    math(EXPR word "0x${CMAKE_MATCH_1} + 8")
    math(EXPR target "0x${CMAKE_MATCH_3}")
    math(EXPR span "${target} - ${word}")
    if(span GREATER 0 AND span LESS_EQUAL 32)
        while(word LESS target)
            math(EXPR address "${word}" OUTPUT_FORMAT HEXADECIMAL)
            string(REGEX REPLACE "^0x" "" address "${address}")
            string(REGEX REPLACE "\n *${address}:\t[^\n]*" "" listing "${listing}")
            math(EXPR word "${word} + 4")
        endwhile()
    endif()
endforeach()

set(fields "ext|ins|dext|dextm|dextu|dins|dinsm|dinsu")
set(swaps "wsbh|dsbh|dshd|seb|seh|rotr|rotrv|drotr|drotr32|drotrv|ror|rorv|dror|dror32|drorv")
set(system "di|ei|ehb|jr\\.hb|jalr\\.hb|synci|rdpgpr|wrpgpr")
set(instruction "(${fields}|${swaps}|${system}|rdhwr)(\t[^\n]*)?")
string(REGEX MATCHALL "[0-9a-f]+:\t(${instruction})\n" found "${listing}")
# rdhwr of the thread pointer passes.
list(FILTER found EXCLUDE REGEX "\trdhwr\t[^\n]*,\\$29\n")
include(${CMAKE_CURRENT_LIST_DIR}/ReportInstructions.cmake)
vexmol_report_instructions("${EXECUTABLE}" "${found}" "instructions a release 1 core lacks" "nothing a MIPS release 1 core lacks")
