# Whether Wine can run this build's programs here. A 64-bit build always can; a 32-bit one only where the
# host executes 32-bit code, decided by trying. Where it cannot, QUARVEL_WINE_SKIP_REASON says why and
# quarvel_skipped_test() adds a test that ctest reports as skipped, the reason in its name.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/cmake/host-runs-32bit.sh RESULT_VARIABLE QUARVEL_HOST_RUNS_32BIT)
set(QUARVEL_WINE_SKIP_REASON "")
if(CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT QUARVEL_HOST_RUNS_32BIT EQUAL 0)
  set(QUARVEL_WINE_SKIP_REASON "this host runs 64-bit code only")
endif()

# For the name of a test that runs a program of these bits and exits 77 where the host cannot: the reason
# it is skipped here (" (skipped: ...)"), so that ctest's listing says it; else "".
function(quarvel_skip_note var bits)
  set(${var} "" PARENT_SCOPE)
  if(bits EQUAL 32 AND NOT QUARVEL_HOST_RUNS_32BIT EQUAL 0)
    set(${var} " (skipped: this host runs 64-bit code only)" PARENT_SCOPE)
  endif()
endfunction()

function(quarvel_skipped_test name)
  set(test "${name} (skipped: ${QUARVEL_WINE_SKIP_REASON})")
  add_test(NAME "${test}" COMMAND sh -c "echo 'skipped: ${QUARVEL_WINE_SKIP_REASON}'; exit 77")
  set_tests_properties("${test}" PROPERTIES SKIP_RETURN_CODE 77 LABELS wine)
endfunction()
