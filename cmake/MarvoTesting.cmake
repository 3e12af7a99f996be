# Test helpers. GoogleTest is compiled from Debian's sources in both builds, so both use the same version.

if(MARVO_BUILD_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)
endif()

# marvo_gtest(<name> SOURCES ... LIBS ...): one test program. Natively every test case is its own CTest
# test; under Wine the program runs as one CTest test, because every Wine start costs a fraction of a second.
function(marvo_gtest name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE marvo_options ${A_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    # The listener's settings (the editor's zoom preference, the window's values) go to a folder of the build,
    # never to the user's own: a choice a test makes must not open every later editor zoomed.
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES TIMEOUT 300 ENVIRONMENT "XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-settings")
  endif()
endfunction()

# marvo_gtest_dir(<name> <dir> LIBS ...): a test program of every .cpp in tests/<dir>.
function(marvo_gtest_dir name dir)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(srcs)
    marvo_gtest(${name} SOURCES ${srcs} LIBS ${A_LIBS})
  endif()
endfunction()
