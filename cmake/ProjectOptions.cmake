# Warnings and sanitizers for the project's own targets.
add_library(flashkit_options INTERFACE)
target_compile_options(flashkit_options INTERFACE -Wall -Wextra -Wpedantic -Werror)
# GCC gives static locals of inline functions and static members of templates
# (std::make_shared has one) the "unique" binding, and glibc never unloads a
# library that defines such a symbol: dlclose would return and leave TRX or
# cmpak loaded, threads running and destructors not run. The libraries share
# no such object with the program, so plain weak symbols do.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT WIN32)
  target_compile_options(flashkit_options INTERFACE -fno-gnu-unique)
endif()

if(FLASHKIT_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(FLASHKIT_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT FLASHKIT_SANITIZE STREQUAL "")
  message(FATAL_ERROR "FLASHKIT_SANITIZE must be address, thread or empty")
endif()
# GCC's flow analysis sees through the sanitizers' instrumentation badly and
# reports uninitialised values inside the standard library (<regex>) that are
# not there; the warning stays on in the plain build.
if(NOT FLASHKIT_SANITIZE STREQUAL "" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-maybe-uninitialized)
endif()

# A fuzzing build (clang) instruments all project code for coverage, so that
# the fuzzers are guided by what the libraries under test do.
option(FLASHKIT_FUZZ "Instrument the project's code for libFuzzer (clang only)" OFF)
if(FLASHKIT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "FLASHKIT_FUZZ needs clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# flashkit_add_module(NAME <target> KIND STATIC|SHARED DIR <folder> [LINKS ...])
# Sources are the .cpp files of <folder>/src; public headers live in <folder>/include.
function(flashkit_add_module)
  cmake_parse_arguments(M "" "NAME;KIND;DIR" "LINKS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${M_DIR}/src/*.cpp)
  add_library(${M_NAME} ${M_KIND} ${sources})
  target_include_directories(${M_NAME} PUBLIC ${M_DIR}/include)
  target_link_libraries(${M_NAME} PRIVATE flashkit_options PUBLIC ${M_LINKS})
endfunction()
