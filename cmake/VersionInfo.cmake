# The version, written once in project(), and the copyright, written once in
# LICENSE: the version resources of the DLL and of orvane.exe, and a header that
# gives the programs both.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE ORVANE_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
if(NOT ORVANE_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no Copyright line")
endif()
set(ORVANE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")

# A version resource for one binary: FILE_NAME as shipped, DESCRIPTION, and
# FILE_TYPE VFT_DLL or VFT_APP; written to OUTPUT.
function(orvane_version_resource output file_name description file_type)
  set(ORVANE_RC_FILE_NAME ${file_name})
  set(ORVANE_RC_DESCRIPTION ${description})
  set(ORVANE_RC_FILE_TYPE ${file_type})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${output} @ONLY)
endfunction()

orvane_version_resource(${ORVANE_GENERATED_DIR}/version.rc OrvaneLib.dll "OrvaneLib network camera library" VFT_DLL)
orvane_version_resource(${ORVANE_GENERATED_DIR}/orvane-version.rc orvane.exe "OrvaneLib command-line tool" VFT_APP)
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/orvane_version.h CONTENT
"/* Generated from project(VERSION) and LICENSE. */
#ifndef ORVANE_VERSION_H
#define ORVANE_VERSION_H
#define ORVANE_VERSION_TEXT \"${PROJECT_VERSION}\"
#define ORVANE_COPYRIGHT_TEXT \"${ORVANE_COPYRIGHT}\"
#endif
")
