# The library where no usable SDK can be found, with nothing on the loader's
# search path: a host in a folder with the library alone, a host beside a
# library under the SDK's name that lacks operations, and orvane in a release
# tree (bin/, lib/) with no SDK.
file(REMOVE_RECURSE ${WORK_DIR})
function(expect_run expected_output)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=LD_PRELOAD ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message(STATUS "${ARGN}: ${status}\n${output}")
  set(status ${status} PARENT_SCOPE)
  if(NOT output MATCHES "${expected_output}")
    message(FATAL_ERROR "expected output matching '${expected_output}'")
  endif()
endfunction()

get_filename_component(library_name ${LIBRARY} NAME)
foreach(case alone broken)
  set(folder ${WORK_DIR}/${case})
  file(COPY ${HOST} ${LIBRARY} DESTINATION ${folder})
  set(reason "was not found: looked in ${folder}/ (beside the library)")
  if(case STREQUAL broken)
    file(COPY_FILE ${FAKE_SDK} ${folder}/libHCNetSDK.so)
    set(reason "libHCNetSDK.so cannot be used: it lacks an operation")
  endif()
  get_filename_component(host_name ${HOST} NAME)
  expect_run("" ${folder}/${host_name} ${folder} "${reason}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the ${case} case failed")
  endif()
endforeach()

if(TOOL)
  file(COPY ${TOOL} DESTINATION ${WORK_DIR}/tree/bin)
  file(COPY ${LIBRARY} DESTINATION ${WORK_DIR}/tree/lib)
  expect_run("libHCNetSDK.so, which libOrvaneLib.so needs, was not found: looked in ${WORK_DIR}/tree/bin/../lib/"
    ${WORK_DIR}/tree/bin/orvane check --address 192.0.2.64 --password orvane-demo)
  if(NOT status EQUAL 4)
    message(FATAL_ERROR "orvane without the SDK exited with ${status}, not 4")
  endif()
endif()
