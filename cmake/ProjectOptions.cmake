# Compiler settings shared by every target of the project.
find_package(Threads REQUIRED)

# Warnings for the project's own code, as the interface target orvane_options;
# errors only when the developer option asks for them.
add_library(orvane_options INTERFACE)
target_compile_options(orvane_options INTERFACE -Wall -Wextra $<$<BOOL:${ORVANE_WARNINGS_AS_ERRORS}>:-Werror>)

# Adds the platform file of each named concern to a target's private sources:
# `<name>_win.cpp` on Windows, `<name>_posix.cpp` elsewhere.
function(orvane_platform_sources target)
  if(WIN32)
    set(suffix _win.cpp)
  else()
    set(suffix _posix.cpp)
  endif()
  foreach(name IN LISTS ARGN)
    target_sources(${target} PRIVATE ${name}${suffix})
  endforeach()
endfunction()

# Paths in debug information and __FILE__ relative to the source and build
# folders, so that the binaries do not depend on where the tree was checked out.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)

# Sanitizers apply to everything built, GoogleTest included, so that every call
# across the project's own code is instrumented.
if(ORVANE_SANITIZE)
  list(JOIN ORVANE_SANITIZE "," sanitizers)
  add_compile_options(-fsanitize=${sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all -g)
  add_link_options(-fsanitize=${sanitizers})
endif()

if(MINGW)
  # Everything the C++ runtime needs is linked in, so the DLLs and programs need
  # only system DLLs (and HCNetSDK.dll) at run time.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # No link time in the PE headers, so that a rebuild gives the same bytes.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

if(ORVANE_RUN_UNDER_WINE)
  set(ORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
