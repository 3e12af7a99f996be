# marvo-vst validate on VST 3 bundles (cmake -P): SmallEQ.vst3 passes every check of LEVEL, given as the
# bundle and as the library inside it; each fault of FaultyVST3 is found by exactly its check.
# Variables: RUN (the emulator, or empty), MARVO_VST, BUNDLE (SmallEQ.vst3), LIBRARY (its library), FAULTY
# (FaultyVST3.vst3), LEVEL, GRID (';'-separated options narrowing the grid, may be empty), ISOLATED (1: stages
# run in a child process, so a crash is a failing check), WORK.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/CliSupport.cmake)

foreach(plugin ${BUNDLE} ${LIBRARY})
  run(0 ${MARVO_VST} validate ${plugin} --level ${LEVEL} ${GRID})
  if(NOT OUT MATCHES "\n[1-9][0-9]* passed, 0 failed\n$" OR OUT MATCHES "(^|\n)FAIL ")
    message(FATAL_ERROR "${plugin} failed a check at level ${LEVEL}:\n${OUT}")
  endif()
  foreach(check load factory class-info module-info bus-arrangements parameter-ids parameter-values parameter-texts
                state-round-trip damaged-state process-finite process-careless parameter-queues restart-flags)
    if(LEVEL GREATER_EQUAL 3 AND NOT OUT MATCHES "(^|\n)PASS ${check}\n")
      message(FATAL_ERROR "${plugin}: no 'PASS ${check}' at level ${LEVEL}:\n${OUT}")
    endif()
  endforeach()
endforeach()

# A bundle folder without the library of this architecture: one failing check.
file(MAKE_DIRECTORY ${WORK}/Empty.vst3/Contents)
run(1 ${MARVO_VST} validate Empty.vst3)
if(NOT OUT MATCHES "^FAIL load: cannot load '[^\n]*Empty.vst3'\n0 passed, 1 failed\n$")
  message(FATAL_ERROR "Empty.vst3: expected one failing check:\n${OUT}")
endif()

# FaultyVST3: no fault passes; each fault fails exactly the checks that look for it.
set(faults "none:" "category:class-info,module-info" "arrangement:bus-arrangements" "plain:parameter-values"
           "lenient-state:damaged-state" "block-start:parameter-queues" "nan:process-careless"
           "restart:restart-flags" "version:module-info")
if(ISOLATED)
  list(APPEND faults "crash:process-careless")
endif()
validate_faults(MARVO_FAULTY_VST3 ${FAULTY} ${faults})
