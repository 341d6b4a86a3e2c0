cmake_minimum_required(VERSION 3.25)
# Compiles the public header the way integrators do: as C89, C99 and C11 and as
# C++98, C++11, C++17 and C++20, with every warning an error, with each compiler
# in GCC_STYLE (gcc, clang, mingw gcc) and with CLANG_CL in MSVC mode for 32-bit
# Windows. The probe calls through every declaration, so that each one is used.
#   -DINCLUDE_DIR=... -DPROBE=... -DGCC_STYLE=gcc,clang,... -DCLANG_CL=... -P check_header.cmake
string(REPLACE "," ";" GCC_STYLE "${GCC_STYLE}")
set(c_standards c89 c99 c11)
set(cxx_standards c++98 c++11 c++17 c++20)
set(warnings -Wall -Wextra -pedantic -Werror)

set(failures "")
function(compile label)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    string(APPEND failures "\n--- ${label}\n${out}")
    set(failures "${failures}" PARENT_SCOPE)
  endif()
endfunction()

foreach(compiler IN LISTS GCC_STYLE)
  foreach(standard IN LISTS c_standards)
    compile("${compiler} ${standard}" ${compiler} -x c -std=${standard} ${warnings}
            -fsyntax-only -I${INCLUDE_DIR} ${PROBE})
  endforeach()
  foreach(standard IN LISTS cxx_standards)
    compile("${compiler} ${standard}" ${compiler} -x c++ -std=${standard} ${warnings}
            -fsyntax-only -I${INCLUDE_DIR} ${PROBE})
  endforeach()
endforeach()

if(CLANG_CL)
  # /clang: passes the GCC-style switches; clang-cl's own /Wall would mean every warning there is.
  set(msvc_mode ${CLANG_CL} --target=i686-pc-windows-msvc /Zs /WX /clang:-Wall /clang:-Wextra
                /clang:-pedantic /I${INCLUDE_DIR})
  foreach(standard IN LISTS c_standards)
    compile("clang-cl ${standard}" ${msvc_mode} /clang:-std=${standard} /TC -- ${PROBE})
  endforeach()
  foreach(standard IN LISTS cxx_standards)
    compile("clang-cl ${standard}" ${msvc_mode} /clang:-std=${standard} /TP -- ${PROBE})
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "the header does not compile cleanly:${failures}")
endif()
