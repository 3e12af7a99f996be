# Build-wide options and the compile flags every Marvo target shares.

option(MARVO_BUILD_TESTS "Build the GoogleTest suites" ON)
option(MARVO_BUILD_BENCH "Build the Google Benchmark programs (native only)" OFF)
option(MARVO_BUILD_FUZZ "Build the libFuzzer targets (native, clang only)" OFF)
set(MARVO_SANITIZE "" CACHE STRING "Sanitizers for the native build: '', 'address,undefined' or 'thread'")

if(WIN32)
  set(MARVO_PLATFORM win32)
else()
  set(MARVO_PLATFORM headless)
endif()

# marvo_options: the flags of our own code (not of third-party sources such as googletest).
add_library(marvo_options INTERFACE)
target_compile_options(marvo_options INTERFACE
  -Wall -Wextra -Werror
  -ffp-contract=off -fno-fast-math)
target_include_directories(marvo_options INTERFACE ${CMAKE_SOURCE_DIR}/src)
if(WIN32)
  target_compile_definitions(marvo_options INTERFACE MARVO_WIN32=1)
else()
  target_compile_definitions(marvo_options INTERFACE MARVO_HEADLESS=1)
endif()

if(MARVO_SANITIZE)
  add_compile_options(-fsanitize=${MARVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${MARVO_SANITIZE})
endif()

# marvo_library(<name> <dir> [LIBS ...]): a static library of every .cpp in src/<dir> (not recursive).
function(marvo_library name dir)
  cmake_parse_arguments(A "" "" "LIBS;SOURCES" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp)
  add_library(${name} STATIC ${srcs} ${A_SOURCES})
  target_link_libraries(${name} PUBLIC marvo_options ${A_LIBS})
endfunction()
