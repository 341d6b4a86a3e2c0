cmake_minimum_required(VERSION 3.25)
# Reads the headers of a 32-bit PE DLL and fails unless every exploit mitigation the
# build asks for is there: address space randomisation (DYNAMIC_BASE) with the
# relocations it needs, no-execute data (NX_COMPAT), no section both writable and
# executable, the stack protector with its runtime linked in, and no DLL imported
# beyond the system's and the SDK's.
file(READ ${LIBRARY} header HEX LIMIT 4096)

# The unsigned little-endian number of `size` bytes at byte `offset` of the header.
function(read_le out offset size)
  set(value 0)
  math(EXPR last "${size} - 1")
  foreach(i RANGE ${last} 0 -1)
    math(EXPR at "(${offset} + ${i}) * 2")
    string(SUBSTRING "${header}" ${at} 2 byte)
    math(EXPR value "(${value} << 8) + 0x${byte}")
  endforeach()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

read_le(pe 60 4)
read_le(signature ${pe} 4)
if(NOT signature EQUAL 17744)  # "PE\0\0"
  message(FATAL_ERROR "${LIBRARY} is not a PE file")
endif()
math(EXPR coff "${pe} + 4")
math(EXPR at "${coff} + 2")
read_le(section_count ${at} 2)
math(EXPR at "${coff} + 16")
read_le(optional_size ${at} 2)
math(EXPR optional "${coff} + 20")
read_le(magic ${optional} 2)
if(NOT magic EQUAL 267)  # 0x10b: PE32
  message(FATAL_ERROR "${LIBRARY} is not a 32-bit PE image")
endif()
math(EXPR at "${optional} + 70")
read_le(dll_characteristics ${at} 2)
# Base relocation table, data directory 5 (its size): without it the loader cannot
# move the image, whatever DYNAMIC_BASE says.
math(EXPR at "${optional} + 96 + 5 * 8 + 4")
read_le(relocation_size ${at} 4)

set(failures)
math(EXPR dynamic_base "${dll_characteristics} & 0x40")
math(EXPR nx_compat "${dll_characteristics} & 0x100")
if(dynamic_base EQUAL 0 OR relocation_size EQUAL 0)
  list(APPEND failures "no address space randomisation (DYNAMIC_BASE with relocations)")
endif()
if(nx_compat EQUAL 0)
  list(APPEND failures "not NX_COMPAT")
endif()

math(EXPR sections "${optional} + ${optional_size}")
math(EXPR last "${section_count} - 1")
foreach(i RANGE ${last})
  math(EXPR entry "${sections} + ${i} * 40")
  math(EXPR at "${entry} + 36")
  read_le(characteristics ${at} 4)
  math(EXPR writable "${characteristics} & 0x80000000")  # IMAGE_SCN_MEM_WRITE
  math(EXPR executable "${characteristics} & 0x20000000")  # IMAGE_SCN_MEM_EXECUTE
  if(NOT writable EQUAL 0 AND NOT executable EQUAL 0)
    math(EXPR at "${entry} * 2")
    string(SUBSTRING "${header}" ${at} 16 name)
    list(APPEND failures "section ${name} (hex name) is both writable and executable")
  endif()
endforeach()

# The stack protector's runtime is in the file only when protected code calls it.
file(STRINGS ${LIBRARY} smashing LIMIT_COUNT 1 REGEX "stack smashing detected")
if(NOT smashing)
  list(APPEND failures "no stack protector runtime linked in")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(dlls)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  list(APPEND dlls ${dll})
  string(TOLOWER "${dll}" lower)
  if(NOT lower MATCHES "^(kernel32|msvcrt|user32|advapi32|hcnetsdk)\\.dll$")
    list(APPEND failures "imports ${dll}, neither a system DLL nor the SDK")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}")
endif()
message(STATUS "DYNAMIC_BASE, NX_COMPAT, ${section_count} sections none W+X, stack protector; DLLs: ${dlls}")
