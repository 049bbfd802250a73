# Cross-build for 64-bit Windows with Debian's mingw-w64 (posix thread
# model); the programs and tests run under wine through scripts/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FLASHKIT_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${FLASHKIT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FLASHKIT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${FLASHKIT_MINGW_PREFIX}-windres)

# The header-only libraries of the build machine are reached through a
# staging folder that holds only them (see cmake/windows/Staging.cmake):
# adding /usr/include itself would pull the C library's Linux headers into a
# Windows build.
set(FLASHKIT_STAGING_ROOT ${CMAKE_BINARY_DIR}/staging)
set(CMAKE_FIND_ROOT_PATH /usr/${FLASHKIT_MINGW_PREFIX} ${FLASHKIT_STAGING_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program and library carries its C++ run time and the thread library
# inside: without -static they would need libwinpthread-1.dll and friends.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test programs and test discovery run through wine with the build's own
# prefix (never ~/.wine).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
