# Whether Wine can run this build's programs here. A 64-bit build always can; a 32-bit one only where the
# host executes 32-bit code, decided by trying once per build folder: the answer is kept in
# <build>/host-runs-32bit (yes or no) for every script and test of this folder to read, and the test
# host.kind fails, rather than skip by mistake, when the folder is tested on another kind of host.
# Where the host cannot, QUARVEL_WINE_SKIP_REASON says why and quarvel_skipped_test() adds a test that
# ctest reports as skipped, the reason in its name.
include_guard(GLOBAL)
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/cmake/host-runs-32bit.sh ${CMAKE_BINARY_DIR}
  RESULT_VARIABLE probe_result ERROR_VARIABLE probe_error)
if(probe_result EQUAL 0)
  set(QUARVEL_HOST_RUNS_32BIT yes)
elseif(probe_result EQUAL 1)
  set(QUARVEL_HOST_RUNS_32BIT no)
else()
  message(FATAL_ERROR "${probe_error}")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/host-runs-32bit "${QUARVEL_HOST_RUNS_32BIT}\n")
set(QUARVEL_WINE_SKIP_REASON "")
if(CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND QUARVEL_HOST_RUNS_32BIT STREQUAL no)
  set(QUARVEL_WINE_SKIP_REASON "this host runs 64-bit code only")
endif()
if(CMAKE_CROSSCOMPILING)
  add_test(NAME host.kind COMMAND ${CMAKE_SOURCE_DIR}/cmake/host-kind.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(host.kind PROPERTIES FIXTURES_SETUP HOST LABELS wine)
endif()

# For the name of a test that runs a 32-bit program and exits 77 where the host cannot: the reason it is
# skipped here (" (skipped: ...)"), so that ctest's listing says it; else "".
function(quarvel_skip_note var)
  set(${var} "" PARENT_SCOPE)
  if(QUARVEL_HOST_RUNS_32BIT STREQUAL no)
    set(${var} " (skipped: this host runs 64-bit code only)" PARENT_SCOPE)
  endif()
endfunction()

function(quarvel_skipped_test name)
  set(test "${name} (skipped: ${QUARVEL_WINE_SKIP_REASON})")
  add_test(NAME "${test}" COMMAND sh -c "echo 'skipped: ${QUARVEL_WINE_SKIP_REASON}'; exit 77")
  set_tests_properties("${test}" PROPERTIES SKIP_RETURN_CODE 77 LABELS wine FIXTURES_REQUIRED HOST)
endfunction()
