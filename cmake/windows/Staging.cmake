# A find-root that holds the build machine's header-only libraries and
# nothing else, with package files of its own that point into it.
function(flashkit_stage_header_library package header_dir target)
  set(root ${FLASHKIT_STAGING_ROOT})
  file(MAKE_DIRECTORY ${root}/include ${root}/lib/cmake/${package})
  if(NOT EXISTS ${root}/include/${header_dir})
    file(CREATE_LINK /usr/include/${header_dir} ${root}/include/${header_dir} SYMBOLIC)
  endif()
  file(WRITE ${root}/lib/cmake/${package}/${package}Config.cmake
"if(NOT TARGET ${target})
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${root}/include\")
endif()
set(${package}_FOUND TRUE)
")
endfunction()

flashkit_stage_header_library(CLI11 CLI CLI11::CLI11)
flashkit_stage_header_library(nlohmann_json nlohmann nlohmann_json::nlohmann_json)
