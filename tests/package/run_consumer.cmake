cmake_minimum_required(VERSION 3.25)
# Installs the build into a scratch prefix, builds the consumer against the
# installed package and runs it.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}")
  endif()
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component library)
if(TOOLCHAIN_FILE)
  # Cross-built: the toolchain searches its own root for packages, so the
  # package folder is named directly, as integrators of a cross build do.
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G Ninja
      -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DOrvaneLib_DIR=${prefix}/lib/cmake/OrvaneLib)
else()
  # No SDK at link time: the library opens it when it loads.
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G Ninja -DCMAKE_PREFIX_PATH=${prefix})
endif()
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
# The package holds the library alone: an integrator puts the camera maker's SDK
# beside it, here the stand-in from the build tree.
file(GLOB_RECURSE sdk_files ${prefix}/*HCNetSDK*)
if(sdk_files)
  message(FATAL_ERROR "the installed package carries an SDK library: ${sdk_files}")
endif()
if(EMULATOR)
  # Windows finds DLLs beside the program.
  file(COPY ${prefix}/bin/OrvaneLib.dll ${SDK_DIR}/HCNetSDK.dll DESTINATION ${WORK_DIR}/build)
  run(${EMULATOR} ${WORK_DIR}/build/consumer.exe)
else()
  run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${SDK_DIR} ${WORK_DIR}/build/consumer)
endif()
