# Loading errors where the library or the SDK cannot be found, with nothing on
# the loader's search path. Linux: a host in a folder with the library alone,
# and beside a library under the SDK's name that lacks operations, finds the
# library loaded with the SDK not started. Both platforms: orvane in a release
# tree (bin/, and lib/ on Linux) without the SDK, and without the library, says
# which file is missing and where it looked, and exits with 4; on Windows also
# with an SDK that is there but needs a DLL that is missing.
file(REMOVE_RECURSE ${WORK_DIR})
function(expect_run expected_status expected_output)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=LD_PRELOAD ${EMULATOR} ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message(STATUS "${ARGN}: ${status}\n${output}")
  string(FIND "${output}" "${expected_output}" at)
  if(NOT status EQUAL expected_status OR at LESS 0)
    message(FATAL_ERROR "expected exit ${expected_status} and output with '${expected_output}'")
  endif()
endfunction()

get_filename_component(library_name ${LIBRARY} NAME)
get_filename_component(tool_name ${TOOL} NAME)
set(tree ${WORK_DIR}/tree)
set(check check --address 192.0.2.64 --password-file ${WORK_DIR}/password)
file(WRITE ${WORK_DIR}/password "orvane-demo\n")

if(EMULATOR)
  # Windows: the loader reports both as error 126; the tool tells them apart.
  file(COPY ${TOOL} DESTINATION ${tree}/bin)
  expect_run(4 "OrvaneLib.dll was not found: looked in " ${tree}/bin/${tool_name} ${check})
  file(COPY ${LIBRARY} DESTINATION ${tree}/bin)
  expect_run(4 "the camera SDK HCNetSDK.dll, which " ${tree}/bin/${tool_name} ${check})
  expect_run(4 "OrvaneLib.dll needs, was not found: looked in " ${tree}/bin/${tool_name} ${check})
  # An SDK beside the tool that needs a DLL nobody shipped: found, not missing.
  file(COPY ${SDK_MISSING_DEPENDENCY} DESTINATION ${tree}/bin)
  expect_run(4 "HCNetSDK.dll was found, but a DLL it needs is missing" ${tree}/bin/${tool_name} ${check})
  return()
endif()

get_filename_component(host_name ${HOST} NAME)
foreach(case alone broken)
  set(folder ${WORK_DIR}/${case})
  file(COPY ${HOST} ${LIBRARY} DESTINATION ${folder})
  set(reason "was not found: looked in ${folder}/ (beside the library)")
  if(case STREQUAL broken)
    file(COPY_FILE ${FAKE_SDK} ${folder}/libHCNetSDK.so)
    set(reason "libHCNetSDK.so cannot be used: it lacks an operation")
  endif()
  expect_run(0 "" ${folder}/${host_name} ${folder} "${reason}")
endforeach()

if(TOOL)
  file(COPY ${TOOL} DESTINATION ${tree}/bin)
  expect_run(4 "libOrvaneLib.so was not found: looked in ${tree}/bin/, ${tree}/bin/../lib/, and "
    ${tree}/bin/${tool_name} ${check})
  file(COPY ${LIBRARY} DESTINATION ${tree}/lib)
  expect_run(4 "libHCNetSDK.so, which libOrvaneLib.so needs, was not found: looked in ${tree}/bin/../lib/"
    ${tree}/bin/${tool_name} ${check})
endif()
