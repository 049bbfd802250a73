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

# The Linux build of the same tree: qx7a-sim, wine-line-peer, flashkit-cli and
# the demo data for the tests whose far end is a Linux program (make test
# builds it first).
set(FLASHKIT_HOST_BUILD ${PROJECT_SOURCE_DIR}/build CACHE PATH "Linux build of this tree, for the line tests under wine")
set(FLASHKIT_WINE_LINE ${PROJECT_SOURCE_DIR}/scripts/wine-line)

# flashkit_add_wine_line_test(<name> PORT COMn PEER <program> [args...]
#                             COMMAND <command> [args...] [TIMEOUT s] [LABELS ...])
# One ctest entry that runs COMMAND with a serial line to PEER (a Linux
# program of the host build), published to wine as COMn (COM201..COM216;
# each entry its own number). See scripts/wine-line.
function(flashkit_add_wine_line_test name)
  cmake_parse_arguments(L "" "PORT;TIMEOUT" "PEER;COMMAND;LABELS" ${ARGN})
  if(NOT L_TIMEOUT)
    set(L_TIMEOUT 120)
  endif()
  add_test(NAME ${name}
    COMMAND ${FLASHKIT_WINE_LINE} ${FLASHKIT_WINE_ROOT} ${L_PORT} ${L_PEER} -- ${L_COMMAND}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${L_TIMEOUT} LABELS "windows;line;${L_LABELS}"
    RESOURCE_LOCK ${L_PORT})
endfunction()
