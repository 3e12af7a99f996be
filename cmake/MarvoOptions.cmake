# Build-wide options and the compile flags every Marvo target shares.

option(MARVO_BUILD_TESTS "Build the GoogleTest suites" ON)
option(MARVO_BUILD_BENCH "Build the Google Benchmark programs (native only)" OFF)
option(MARVO_BUILD_FUZZ "Build the libFuzzer targets (native, clang only)" OFF)
set(MARVO_SANITIZE "" CACHE STRING "Sanitizers for the native build: '', 'address,undefined' or 'thread'")

# The player is a 32-bit program, so its adapter (dsp_Marvo) is built everywhere but in 64-bit Windows builds.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MARVO_BUILD_ADAPTER OFF)
else()
  set(MARVO_BUILD_ADAPTER ON)
endif()

# The platform layer (src/platform/<name>): win32 on Windows; natively headless (in-memory windows for tests
# and tools) unless x11 is chosen (real windows on an X display: the SmallEQ.so that Linux users install).
if(WIN32)
  set(MARVO_PLATFORM win32 CACHE STRING "Platform layer: win32 (Windows builds)")
  set_property(CACHE MARVO_PLATFORM PROPERTY STRINGS win32)
else()
  set(MARVO_PLATFORM headless CACHE STRING "Platform layer: headless or x11")
  set_property(CACHE MARVO_PLATFORM PROPERTY STRINGS headless x11)
endif()
get_property(platforms CACHE MARVO_PLATFORM PROPERTY STRINGS)
if(NOT MARVO_PLATFORM IN_LIST platforms)
  message(FATAL_ERROR "MARVO_PLATFORM must be one of ${platforms} here, not '${MARVO_PLATFORM}'")
endif()

# marvo_options: the flags of our own code (not of third-party sources such as googletest).
add_library(marvo_options INTERFACE)
target_compile_options(marvo_options INTERFACE
  -Wall -Wextra -Werror
  -ffp-contract=off -fno-fast-math)
target_include_directories(marvo_options INTERFACE ${CMAKE_SOURCE_DIR}/src)
string(TOUPPER ${MARVO_PLATFORM} platform_definition)
target_compile_definitions(marvo_options INTERFACE MARVO_${platform_definition}=1)

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

# marvo_describe(<target> <description>): what a program or library is, for its Windows version resource.
function(marvo_describe target description)
  set_property(TARGET ${target} PROPERTY MARVO_DESCRIPTION "${description}")
endfunction()

# marvo_version_resources(): on Windows, gives every program and plug-in library of the tree (walked from the
# top directory) a version resource: product "Marvo", the project's one version, and the target's description
# (marvo_describe; else "Marvo <target>"). Called once, after every directory is declared.
function(marvo_version_resources)
  if(NOT WIN32)
    return()
  endif()
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(type STREQUAL EXECUTABLE)
        set(MARVO_RC_FILETYPE VFT_APP)
        set(suffix .exe)
      elseif(type STREQUAL MODULE_LIBRARY OR type STREQUAL SHARED_LIBRARY)
        set(MARVO_RC_FILETYPE VFT_DLL)
        set(suffix .dll)
      else()
        continue()
      endif()
      get_target_property(source_dir ${target} SOURCE_DIR)
      if(NOT source_dir MATCHES "^${CMAKE_SOURCE_DIR}/")
        continue() # third-party targets (googletest)
      endif()
      get_target_property(MARVO_RC_DESCRIPTION ${target} MARVO_DESCRIPTION)
      if(NOT MARVO_RC_DESCRIPTION)
        set(MARVO_RC_DESCRIPTION "Marvo ${target}")
      endif()
      set(MARVO_RC_TARGET ${target})
      set(MARVO_RC_FILENAME ${target}${suffix})
      set(rc ${CMAKE_BINARY_DIR}/version-resources/${target}.rc)
      configure_file(${CMAKE_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
      target_sources(${target} PRIVATE ${rc})
    endforeach()
  endwhile()
endfunction()
