# marvo-vst validate end to end (cmake -P): SmallEQ passes every check of LEVEL; a path that is not a plug-in
# is one failing line; each fault of FaultyEffect is found by exactly its check; --json writes the results.
# Variables: RUN (the emulator, or empty), MARVO_VST, PLUGIN (SmallEQ), FAULTY (FaultyEffect), LEVEL, GRID
# (extra options narrowing the grid, ';'-separated, may be empty), EDITOR (1: the editor check must pass),
# ISOLATED (1: stages run in a child process, so a crash is a failing check), FAULTS (1: FaultyEffect's table;
# what it checks is the validator's own logic, the same in every build), WORK.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/CliSupport.cmake)

# SmallEQ: every check passes.
run(0 ${MARVO_VST} validate ${PLUGIN} --level ${LEVEL} ${GRID} --json smalleq.json)
if(NOT OUT MATCHES "\n[1-9][0-9]* passed, 0 failed\n$" OR OUT MATCHES "(^|\n)FAIL ")
  message(FATAL_ERROR "SmallEQ failed a check at level ${LEVEL}:\n${OUT}")
endif()
foreach(check load texts open-close-order dispatcher-opcodes parameter-values parameter-description process-finite
              process-finite-fast process-no-subnormals-fast
              program-round-trip damaged-program threads)
  if(LEVEL GREATER_EQUAL 3 AND NOT OUT MATCHES "(^|\n)PASS ${check}\n")
    message(FATAL_ERROR "SmallEQ: no 'PASS ${check}' at level ${LEVEL}:\n${OUT}")
  endif()
endforeach()
if(EDITOR AND NOT OUT MATCHES "\nPASS editor\n")
  message(FATAL_ERROR "SmallEQ: the editor check did not pass:\n${OUT}")
endif()
file(READ ${WORK}/smalleq.json json)
string(JSON failed ERROR_VARIABLE bad GET "${json}" failed)
string(JSON checks ERROR_VARIABLE bad LENGTH "${json}" checks)
set(threads "")
if(NOT bad)
  math(EXPR last "${checks} - 1")
  foreach(i RANGE ${last})
    string(JSON name GET "${json}" checks ${i} name)
    if(name STREQUAL "threads")
      string(JSON threads GET "${json}" checks ${i} result)
    endif()
  endforeach()
endif()
if(bad OR NOT failed EQUAL 0 OR NOT threads STREQUAL "pass")
  message(FATAL_ERROR "smalleq.json does not hold the results:\n${json}")
endif()

# A path that is not a plug-in: one failing check, nothing else checked.
file(WRITE ${WORK}/not-a-plugin.so "text")
run(1 ${MARVO_VST} validate not-a-plugin.so)
if(NOT OUT MATCHES "^FAIL load: cannot load plugin 'not-a-plugin.so': [^\n]+\n0 passed, 1 failed\n$")
  message(FATAL_ERROR "not-a-plugin.so: expected one failing check:\n${OUT}")
endif()

fails_in_one_line(${MARVO_VST} marvo-vst 2 "--level '9': expected 1 to 5" validate ${PLUGIN} --level 9)
fails_in_one_line(${MARVO_VST} marvo-vst 2 "--rates '44100,x'" validate ${PLUGIN} --rates 44100,x)
if(NOT FAULTS)
  return()
endif()

# FaultyEffect: no fault passes; each fault fails exactly the checks that look for it (',' between several).
set(faults "none:" "text-overrun:texts" "unclamped:parameter-values" "subnormal:process-no-subnormals"
           "noisy:process-silence" "nan:process-finite" "drift:chunk-round-trip,program-round-trip" "lost-writes:threads"
           "lossy-chunk:chunk-round-trip" "misdescribed:parameter-description")
if(ISOLATED)
  list(APPEND faults "crash:process-finite" "opcode-crash:dispatcher-opcodes")
endif()
foreach(entry IN LISTS faults)
  validate_faults(MARVO_FAULTY_EFFECT ${FAULTY} ${entry})
  if((fault STREQUAL "crash" AND NOT OUT MATCHES "FAIL process-finite: signal 11 [^\n]* while [^\n]*7\n") OR
     (fault STREQUAL "opcode-crash" AND NOT OUT MATCHES "FAIL dispatcher-opcodes: signal 11 [^\n]* effGetTailSize\n"))
    message(FATAL_ERROR "FaultyEffect '${fault}': the crash is not reported with its signal and step:\n${OUT}")
  endif()
endforeach()
