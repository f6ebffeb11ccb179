# cmake -DEXECUTABLE=path -DOBJDUMP=path -P CheckI486.cmake
# Fails when the 32-bit x86 executable holds an instruction that an i486
# lacks: the oldest cores it is for run everything else, and raise SIGILL on
# these (or, for tzcnt and lzcnt, quietly compute something else). Debian's
# i686 compiler, its crt objects and libgcc.a are built for the i686, so
# whatever of them is linked is checked here too. The families:
#   cmov*, fcmov*, fcomi/fcomip/fucomi/fucomip   conditional moves and x87
#       compares into EFLAGS, Pentium Pro (what -march=i686 uses first)
#   %mm, %xmm, %ymm, %zmm registers   MMX, SSE, AVX: Pentium MMX and later
#   sfence/lfence/mfence, prefetch*, movnti, clflush, ldmxcsr/stmxcsr,
#   fxsave/fxrstor, emms/femms   SSE-era instructions that name no vector
#       register
#   cmpxchg8b, rdtsc, rdtscp, rdpmc, cpuid   Pentium and later (cpuid only on
#       some late 486s)
#   sysenter/sysexit, syscall/sysret   fast system calls, Pentium II and AMD
#       K6; a 32-bit program enters the kernel through int $0x80
#   nopl/nopw, a nop with an operand, endbr32   the 0f 18..1f hint opcodes,
#       Pentium Pro; assemblers pad with them and -fcf-protection emits endbr32
#   popcnt, lzcnt, tzcnt, movbe, crc32, the BMI ones, rdrand/rdseed, xgetbv
#       later integer extensions
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${EXECUTABLE}
    OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT listing MATCHES "\t(mov|push|call) ")
    message(FATAL_ERROR "${OBJDUMP} cannot disassemble ${EXECUTABLE}")
endif()
set(p6 "cmov[a-z]+|fcmov[a-z]+|fu?comip?")
set(sse "[slm]fence|prefetch[a-z0-9]*|movnti|clflush[a-z]*|ldmxcsr|stmxcsr|fxsave|fxrstor|f?emms")
set(pentium "cmpxchg8b|rdtscp?|rdpmc|cpuid")
set(fast_call "sysenter|sysexit|syscall|sysret")
set(hint_nop "nop[lw]|endbr(32|64)")
set(later "popcnt|lzcnt|tzcnt|movbe|crc32[bwl]?|andn|bextr|blsi|blsmsk|blsr|bzhi|shlx|shrx|sarx|rorx|pdep|pext|mulx|adcx|adox|rdrand|rdseed|xgetbv")
# objdump writes prefixes (lock, rep, data16, cs, ...) before the mnemonic.
set(prefixes "([a-z0-9]+ )*")
string(REGEX MATCHALL
    "[0-9a-f]+:\t(${prefixes}(${p6}|${sse}|${pentium}|${fast_call}|${hint_nop}|${later})( [^\n]*)?|${prefixes}nop +[^ \n][^\n]*|[^\n]*%[xyz]?mm[0-9][^\n]*)\n"
    found "${listing}")
include(${CMAKE_CURRENT_LIST_DIR}/ReportInstructions.cmake)
vexmol_report_instructions("${EXECUTABLE}" "${found}" "instructions an i486 lacks" "nothing an i486 lacks")
