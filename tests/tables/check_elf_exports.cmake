cmake_minimum_required(VERSION 3.25)
# Checks that the shared library exports exactly the functions listed in
# EXPECTED_EXPORTS (one name a line) and no other symbol.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(actual)
foreach(line IN LISTS lines)
  # "<address> <type> <name>"; only functions and data count as exports.
  if(line MATCHES "^[0-9a-f]+ [TDBRW] ([^ ]+)$")
    list(APPEND actual ${CMAKE_MATCH_1})
  endif()
endforeach()
file(STRINGS ${EXPECTED_EXPORTS} expected)
list(SORT actual)
list(SORT expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "exports differ\n  expected: ${expected}\n  actual:   ${actual}")
endif()
message(STATUS "exports as expected: ${actual}")
