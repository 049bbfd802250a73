# Windows programs of this build run under wine with the build's own prefix
# (never ~/.wine), one fixed TMPDIR (wine finds its server there) and no
# debug chatter. scripts/wine-session prepares the prefix and keeps one
# wineserver alive for a whole test run.
set(FLASHKIT_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(FLASHKIT_WINE_SESSION ${PROJECT_SOURCE_DIR}/scripts/wine-session)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# flashkit_add_wine_test(<target> [TIMEOUT s] [LABELS ...])
# Registers the GoogleTest cases of a Windows test program with ctest; the
# cases are listed through wine when ctest runs. Every case runs as
# "wine-run <program> --gtest_filter=<case>" in bin/ with the label windows.
function(flashkit_add_wine_test target)
  cmake_parse_arguments(W "" "TIMEOUT" "LABELS;PROPERTIES" ${ARGN})
  if(NOT W_TIMEOUT)
    set(W_TIMEOUT 120)
  endif()
  gtest_discover_tests(${target}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${W_TIMEOUT} LABELS "windows;${W_LABELS}" ${W_PROPERTIES})
endfunction()
