# cmake -DEXECUTABLE=path -DVERSION=x.y.z [-DCOMMIT=text] -P CheckVersionText.cmake
# Fails unless the executable holds its version text exactly once:
# "vexmol_udp_client VERSION (COMMIT)", as strings(1) or grep -a find it,
# with the commit given when there is one, and nothing else in the same
# string, so that strings(1) shows it alone.
file(STRINGS "${EXECUTABLE}" found REGEX "vexmol_udp_client [0-9]")
string(REPLACE "." "\\." version "${VERSION}")
set(expected "^vexmol_udp_client ${version} \\(([0-9a-f]+(-dirty)?|unknown)\\)$")
if(COMMIT)
    set(expected "^vexmol_udp_client ${version} \\(${COMMIT}\\)$")
endif()
list(LENGTH found count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "${EXECUTABLE}: ${count} version texts, one expected: '${found}'")
endif()
if(NOT found MATCHES "${expected}")
    message(FATAL_ERROR "${EXECUTABLE}: version text '${found}' is not 'vexmol_udp_client ${VERSION} (COMMIT)'")
endif()
message(STATUS "${EXECUTABLE}: ${found}")
