# flashkit_add_version_resource(<target> FILE_NAME <name> DESCRIPTION <text>
#                               PRODUCT_VERSION "a, b, c, d" FILE_VERSION "a, b, c, d"
#                               [COPYRIGHT <text>])
# Gives a Windows program or library its VERSIONINFO resource. The version
# texts are the ones the programs read back ("1, 9, 0, 0"); the numeric
# versions of the resource header are made from them.
function(flashkit_add_version_resource target)
  cmake_parse_arguments(VI "" "FILE_NAME;DESCRIPTION;PRODUCT_VERSION;FILE_VERSION;COPYRIGHT" "" ${ARGN})
  string(REPLACE " " "" VI_PRODUCT_NUMBERS "${VI_PRODUCT_VERSION}")
  string(REPLACE " " "" VI_FILE_NUMBERS "${VI_FILE_VERSION}")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(VI_FILE_TYPE VFT_APP)
  else()
    set(VI_FILE_TYPE VFT_DLL)
  endif()
  set(VI_INTERNAL_NAME ${target})
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/VersionInfo.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})
endfunction()
