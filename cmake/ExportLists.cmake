# Generates, from the two lists in the headers, every file that names the
# library's exports or the SDK operations: the export files of the library, the
# import descriptions and the stand-in's export file, the expected tables of the
# table checks, and the argument byte counts that the sources check against
# their parameter types at compile time. Editing either header reconfigures.
set(ORVANE_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
set(exports_header ${PROJECT_SOURCE_DIR}/include/OrvaneLib.h)
set(sdk_header ${PROJECT_SOURCE_DIR}/sdk/include/hcnetsdk.h)
set(standin_control_list ${PROJECT_SOURCE_DIR}/standin/control-exports.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${exports_header} ${sdk_header} ${standin_control_list})

# The entries "X(...)" of the list macro `list_macro` in `header`, each without
# its "X(" and ")". The list ends at the first line not continued.
function(orvane_list_entries header list_macro out_var)
  file(READ ${header} content)
  string(FIND "${content}" "#define ${list_macro}(X)" start)
  if(start LESS 0)
    message(FATAL_ERROR "${list_macro} not found in ${header}")
  endif()
  string(SUBSTRING "${content}" ${start} -1 content)
  string(REGEX MATCH "([^\n]*\\\\\n)*[^\n]*\n" block "${content}")
  string(REGEX MATCHALL "\n *X\\([^\n]*\\)" lines "${block}")
  set(entries)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^\n *X\\((.*)\\)$" "\\1" entry "${line}")
    list(APPEND entries "${entry}")
  endforeach()
  set(${out_var} "${entries}" PARENT_SCOPE)
endfunction()

# Bytes a parameter list "(type name, ...)" takes on the 32-bit stack: every
# parameter is one 32-bit slot (checked against the types at compile time).
function(orvane_argument_bytes params out_var)
  string(STRIP "${params}" params)
  if(params STREQUAL "" OR params STREQUAL "void")
    set(${out_var} 0 PARENT_SCOPE)
    return()
  endif()
  string(REGEX MATCHALL "," commas "${params}")
  list(LENGTH commas count)
  math(EXPR bytes "(${count} + 1) * 4")
  set(${out_var} ${bytes} PARENT_SCOPE)
endfunction()

# The library's exports.
orvane_list_entries(${exports_header} ORVANE_EXPORT_LIST export_entries)
set(def "; The exports of OrvaneLib.dll, under their decorated names only.\nLIBRARY OrvaneLib.dll\nEXPORTS\n")
set(map "/* The exports of the shared library on systems with plain names; nothing else is visible. */\n{\n  global:\n")
# Import descriptions for hosts that link the DLL. mingw's dlltool: the symbol a
# stdcall call emits, imported under the exported name unchanged. MSVC-style
# tools (lib /def, lld-link /def): the exported name alone; shipped as
# OrvaneLib.def.
set(mingw_implib_def "; Import library for mingw hosts: symbol == exported name.\nLIBRARY OrvaneLib.dll\nEXPORTS\n")
set(exports_def "; The exports of OrvaneLib.dll (32-bit, stdcall, decorated names).\nLIBRARY OrvaneLib.dll\nEXPORTS\n")
set(linux_table "")
set(windows_table "")
set(export_bytes "// Argument bytes of each export, from the export list.\n#pragma once\n")
set(ORVANE_EXPORT_NAMES)
foreach(entry IN LISTS export_entries)
  if(NOT entry MATCHES "^[^,]+, ([A-Za-z0-9_]+), [^,]+, \\(([^)]*)\\)")
    message(FATAL_ERROR "unreadable export list line: ${entry}")
  endif()
  set(name ${CMAKE_MATCH_1})
  orvane_argument_bytes("${CMAKE_MATCH_2}" bytes)
  list(APPEND ORVANE_EXPORT_NAMES ${name})
  string(APPEND def "_${name}@${bytes} = ${name}@${bytes}\n")
  string(APPEND mingw_implib_def "${name}@${bytes} == _${name}@${bytes}\n")
  string(APPEND exports_def "_${name}@${bytes}\n")
  string(APPEND map "    ${name};\n")
  string(APPEND linux_table "${name}\n")
  string(APPEND windows_table "_${name}@${bytes}\n")
  string(APPEND export_bytes "#define ORVANE_ARGUMENT_BYTES_${name} ${bytes}\n")
endforeach()
string(APPEND map "  local:\n    *;\n};\n")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/OrvaneLib.def CONTENT "${def}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/OrvaneLib-mingw-implib.def CONTENT "${mingw_implib_def}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/OrvaneLib-exports.def CONTENT "${exports_def}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/OrvaneLib.map CONTENT "${map}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/exports-linux.txt CONTENT "${linux_table}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/exports-windows.txt CONTENT "${windows_table}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/orvane_argument_bytes.h CONTENT "${export_bytes}")

# The SDK operations.
orvane_list_entries(${sdk_header} HCNETSDK_OPERATION_LIST sdk_entries)
set(sdk_imports "; The HCNetSDK operations OrvaneLib imports. dlltool -k turns this into an\n; import library whose import names are the plain names (NET_DVR_Init), while\n; the symbols the compiler emits for stdcall calls (_NET_DVR_Init@0) resolve.\nLIBRARY HCNetSDK.dll\nEXPORTS\n")
set(standin_def "; Exports of the stand-in HCNetSDK.dll: the SDK operations under their plain\n; names, as the vendor's library exports them, then the control interface.\nLIBRARY HCNetSDK.dll\nEXPORTS\n")
set(standin_imports "; Import description for programs that drive the stand-in (tests, demo): the\n; SDK operations (stdcall, imported by plain name with dlltool -k) and the\n; control interface.\nLIBRARY HCNetSDK.dll\nEXPORTS\n")
set(import_table "")
set(sdk_bytes "// Argument bytes of each SDK operation, from the operation list.\n#pragma once\n")
foreach(entry IN LISTS sdk_entries)
  if(NOT entry MATCHES "^[A-Za-z0-9_]+, ([A-Za-z0-9_]+), \\(([^)]*)\\)")
    message(FATAL_ERROR "unreadable SDK operation list line: ${entry}")
  endif()
  set(name ${CMAKE_MATCH_1})
  orvane_argument_bytes("${CMAKE_MATCH_2}" bytes)
  string(APPEND sdk_imports "${name}@${bytes}\n")
  string(APPEND standin_def "${name} = ${name}@${bytes}\n")
  string(APPEND standin_imports "${name}@${bytes}\n")
  string(APPEND import_table "${name}\n")
  string(APPEND sdk_bytes "#define HCNETSDK_ARGUMENT_BYTES_${name} ${bytes}\n")
endforeach()
file(STRINGS ${standin_control_list} control_names REGEX "^[A-Za-z]")
foreach(name IN LISTS control_names)
  string(APPEND standin_def "${name}\n")
  string(APPEND standin_imports "${name}\n")
endforeach()
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/hcnetsdk-imports.def CONTENT "${sdk_imports}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/HCNetSDK.def CONTENT "${standin_def}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/hcnetsdk-standin-imports.def CONTENT "${standin_imports}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/hcnetsdk-imports.txt CONTENT "${import_table}")
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/hcnetsdk_argument_bytes.h CONTENT "${sdk_bytes}")

# The version, written once in project(): the version resource and the version
# the table check expects in it.
set(ORVANE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
configure_file(${PROJECT_SOURCE_DIR}/src/version.rc.in ${ORVANE_GENERATED_DIR}/version.rc @ONLY)
