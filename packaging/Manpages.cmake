# The manual pages flashkit(1), flashkit-cli(1) and qx7a-sim(1), made by
# help2man from each program's --help and the hand-written sections in
# docs/man (see docs/man/README.md), into build/man: NAME.1 to read with
# man -l, NAME.1.gz for the package.
find_program(HELP2MAN_PROGRAM help2man REQUIRED)
find_program(DPKG_PARSECHANGELOG_PROGRAM dpkg-parsechangelog)

set(FLASHKIT_MAN_SOURCE_DIR ${PROJECT_SOURCE_DIR}/docs/man)
set(FLASHKIT_MAN_DIR ${CMAKE_BINARY_DIR}/man)

# The pages carry the date of the newest changelog entry, so that the same
# sources give the same pages.
set(man_date_environment)
if(DPKG_PARSECHANGELOG_PROGRAM)
  execute_process(COMMAND ${DPKG_PARSECHANGELOG_PROGRAM} -l ${CMAKE_CURRENT_SOURCE_DIR}/changelog.in -STimestamp
    OUTPUT_VARIABLE changelog_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(changelog_time MATCHES "^[0-9]+$")
    set(man_date_environment SOURCE_DATE_EPOCH=${changelog_time})
  endif()
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/changelog.in)

set(FLASHKIT_MAN_PAGES)
# flashkit_man_page(<program target> INCLUDES <file in docs/man>...)
function(flashkit_man_page program)
  cmake_parse_arguments(P "" "" "INCLUDES" ${ARGN})
  set(page ${FLASHKIT_MAN_DIR}/${program}.1)
  set(include_options)
  set(include_files)
  foreach(include IN LISTS P_INCLUDES)
    list(APPEND include_options --include=${FLASHKIT_MAN_SOURCE_DIR}/${include})
    list(APPEND include_files ${FLASHKIT_MAN_SOURCE_DIR}/${include})
  endforeach()
  add_custom_command(OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${FLASHKIT_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -E env ${man_date_environment} LC_ALL=C.UTF-8
            ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --section=1
            "--source=FLASHKIT ${PROJECT_VERSION}" --manual=FLASHKIT
            --version-string=${PROJECT_VERSION} ${include_options}
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${GZIP_PROGRAM} -9nfk ${page}
    DEPENDS ${program} ${include_files} ${CMAKE_CURRENT_SOURCE_DIR}/changelog.in
    COMMENT "Making the manual page ${program}(1)"
    VERBATIM)
  set(FLASHKIT_MAN_PAGES ${FLASHKIT_MAN_PAGES} ${page} PARENT_SCOPE)
  install(FILES ${page}.gz DESTINATION share/man/man1)
endfunction()

if(TARGET flashkit)
  flashkit_man_page(flashkit INCLUDES flashkit.h2m settings.h2m environment.h2m files.h2m)
endif()
flashkit_man_page(flashkit-cli INCLUDES flashkit-cli.h2m settings.h2m environment.h2m files.h2m)
flashkit_man_page(qx7a-sim INCLUDES qx7a-sim.h2m)
add_custom_target(manpages ALL DEPENDS ${FLASHKIT_MAN_PAGES})
