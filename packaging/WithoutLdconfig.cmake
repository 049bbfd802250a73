# Run by cpack after it has built the package (CPACK_POST_BUILD_SCRIPTS):
# packs each .deb again without the postinst and postrm that only run
# ldconfig for the private libraries. dpkg-deb keeps every file, its mode
# and the root ownership.
find_program(DPKG_DEB_PROGRAM dpkg-deb REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${package}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB_PROGRAM} --raw-extract ${package} ${tree}
    RESULT_VARIABLE extracted ERROR_VARIABLE problem)
  if(NOT extracted EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${package}: ${problem}")
  endif()
  foreach(script postinst postrm)
    if(EXISTS ${tree}/DEBIAN/${script})
      file(STRINGS ${tree}/DEBIAN/${script} lines)
      foreach(line IN LISTS lines)
        # Only the scripts cpack writes for ldconfig go; anything else is kept.
        if(NOT line MATCHES "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|[ \t]*ldconfig|fi|)$")
          message(FATAL_ERROR "${script} of ${package} does more than run ldconfig: ${line}")
        endif()
      endforeach()
      file(REMOVE ${tree}/DEBIAN/${script})
    endif()
  endforeach()
  execute_process(COMMAND ${DPKG_DEB_PROGRAM} --root-owner-group -Zgzip --build ${tree} ${package}
    RESULT_VARIABLE packed OUTPUT_QUIET ERROR_VARIABLE problem)
  file(REMOVE_RECURSE ${tree})
  if(NOT packed EQUAL 0)
    message(FATAL_ERROR "cannot pack ${package} again: ${problem}")
  endif()
endforeach()
