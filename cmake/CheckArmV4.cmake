# cmake -DEXECUTABLE=path [-DSYMBOLS=path] -DOBJDUMP=path [-DOBJCOPY=path] -P CheckArmV4.cmake
# Fails when the ARMv4 executable holds an instruction that an ARMv4 core
# (FA526, StrongARM) lacks outside musl's ARMv6/v7 atomics helpers: the core
# raises SIGILL on each. SYMBOLS is the same link with its symbols (the
# shipped executable is stripped): its code must be the executable's, byte
# for byte, and its function names and mapping symbols tell the helpers and
# the data in the code apart. Without SYMBOLS, EXECUTABLE itself is read
# (an object with its symbols). The families:
#   bx, bxj                          ARMv4T and later: the linker rewrites each bx
#                                    the assembler marked as mov pc (--fix-v4bx)
#   blx, clz, bkpt, the cp "2" forms ARMv5T
#   ldrd/strd, pld, mcrr/mrrc, the saturating and 16-bit multiplies    ARMv5TE
#   ldrex/strex, clrex, rev, the extends, sel, ssat/usat, pkh*, cps, srs,
#   rfe, setend, the parallel adds and subtracts and dual multiplies,
#   umaal, yield/wfe/wfi/sev, and the thread register (cp15 c13)    ARMv6
#   movw/movt, the bit fields, rbit, mls, dmb/dsb/isb, pli, sdiv/udiv,
#   the unprivileged halfword loads and stores    ARMv6T2, ARMv7
#   every v* (VFP and NEON) mnemonic, and any Thumb code at all
# musl selects its helpers __a_barrier_v6/_v7, __a_cas_v6/_v7 and
# __a_gettp_cp15 only when the kernel reports the thread register (HWCAP_TLS,
# ARMv6K and later), so their instructions never run on an ARMv4 core.
set(helpers __a_barrier_v6 __a_barrier_v7 __a_cas_v6 __a_cas_v7 __a_gettp_cp15)

if(NOT SYMBOLS)
    set(SYMBOLS "${EXECUTABLE}")
elseif(NOT SYMBOLS STREQUAL EXECUTABLE)
    # The loaded bytes of both, but for the build id (a hash of the whole
    # file, symbols included): the same code at the same addresses.
    foreach(file IN ITEMS EXECUTABLE SYMBOLS)
        execute_process(COMMAND ${OBJCOPY} -O binary -R .note.gnu.build-id "${${file}}" "${${file}}.image"
                        RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "${OBJCOPY} cannot read ${${file}}")
        endif()
        file(SHA256 "${${file}}.image" ${file}_image)
        file(REMOVE "${${file}}.image")
    endforeach()
    if(NOT EXECUTABLE_image STREQUAL SYMBOLS_image)
        message(FATAL_ERROR "${SYMBOLS} is not the same code as ${EXECUTABLE}")
    endif()
endif()

execute_process(COMMAND ${OBJDUMP} -t "${SYMBOLS}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} cannot read ${SYMBOLS}")
endif()
if(symbols MATCHES "[ \t]\\$t(\\.[^\n]*)?\n")
    message(FATAL_ERROR "${SYMBOLS}: Thumb code, which an ARMv4 core cannot run")
endif()
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn "${SYMBOLS}" OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT listing MATCHES "\t(mov|ldr|str)[a-z]*\t")
    message(FATAL_ERROR "${OBJDUMP} cannot disassemble ${SYMBOLS}")
endif()

# CMake's regular expressions allow few groups: the alternatives are spelt out.
set(cond "(eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al)?")
set(v4t "bxj?")
set(v5 "blx|clz|bkpt|ldc2l?|stc2l?|cdp2|mcr2|mrc2")
set(v5te "ldrd|strd|pld|mcrr2?|mrrc2?|qadd|qsub|qdadd|qdsub|smla[bt][bt]|smlaw[bt]|smlal[bt][bt]|smul[bt][bt]|smulw[bt]")
set(v6_simd "[su]?[qh]?add8|[su]?[qh]?add16|[su]?[qh]?sub8|[su]?[qh]?sub16|[su]?[qh]?asx|[su]?[qh]?sax|usada?8")
set(v6_multiply "sml[as]l?dx?|smmlar?|smmlsr?|smmulr?|smu[as]dx?|umaal")
set(v6 "ldrex[bhd]?|strex[bhd]?|clrex|rev|rev16|revsh|[su]xta?b16|[su]xta?[bh]|sel|[su]sat|[su]sat16|pkhbt|pkhtb|cps|cpsie|cpsid|srs[a-z]*|rfe[a-z]*|setend|yield|wfe|wfi|sev|${v6_simd}|${v6_multiply}")
set(v7 "movw|movt|bfi|bfc|[su]bfx|rbit|mls|dmb|dsb|isb|pli|[su]div|ldrht|ldrsht|ldrsbt|strht")
set(mnemonics "${v4t}|${v5}|${v5te}|${v6}|${v7}|v[a-z]+[0-9]*")
set(instruction "[0-9a-f]+:\t(${mnemonics})${cond}(\\.[a-z0-9.]+)?(\t[^\n]*)?\n")
set(tls_register "[0-9a-f]+:\t(mrc|mcr)${cond}\t15, [0-7], [^,\n]+, cr13,[^\n]*\n")

# Function by function (objdump starts each at its label, after an empty
# line): the helpers' code is left out. A ";" in objdump's comments would
# split the list.
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "\n\n" ";" blocks "${listing}")
set(found "")
foreach(block IN LISTS blocks)
    if(block MATCHES "^[0-9a-f]+ <([^>]+)>:\n")
        list(FIND helpers "${CMAKE_MATCH_1}" helper)
        if(helper GREATER -1)
            continue()
        endif()
    endif()
    string(REGEX MATCHALL "${instruction}|${tls_register}" in_block "${block}\n")
    list(APPEND found ${in_block})
endforeach()
list(JOIN helpers ", " helpers)
include(${CMAKE_CURRENT_LIST_DIR}/ReportInstructions.cmake)
vexmol_report_instructions("${SYMBOLS}" "${found}" "instructions an ARMv4 core lacks" "nothing an ARMv4 core lacks outside ${helpers}")
