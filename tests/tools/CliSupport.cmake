# Shared by the command-line tests (cmake -P): a fresh WORK folder, run() and fails_in_one_line().
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# run(<expected exit status> <program> <args>...): sets OUT and ERR.
macro(run expected)
  execute_process(COMMAND ${RUN} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE OUT ERROR_VARIABLE ERR)
  if(NOT rc STREQUAL "${expected}")
    message(FATAL_ERROR "${ARGN}: exit status ${rc}, expected ${expected}\n${OUT}${ERR}")
  endif()
endmacro()

# fails_in_one_line(<program> <its name> <exit status> <text the one line contains> <args>...)
macro(fails_in_one_line program name expected text)
  run(${expected} ${program} ${ARGN})
  string(REGEX MATCHALL "\n" lines "${ERR}")
  list(LENGTH lines n)
  if(NOT n EQUAL 1 OR NOT ERR MATCHES "^${name}: " OR NOT ERR MATCHES "${text}")
    message(FATAL_ERROR "${ARGN}: expected one line with '${text}' on standard error, got:\n${ERR}")
  endif()
endmacro()

# failures(<variable>): the sorted names of the FAIL lines of OUT (marvo-vst validate), ';'-separated.
macro(failures variable)
  string(REGEX MATCHALL "(^|\n)FAIL [^:\n]+" found "${OUT}")
  set(${variable} "")
  foreach(f IN LISTS found)
    string(REGEX REPLACE "^\n?FAIL " "" f "${f}")
    list(APPEND ${variable} "${f}")
  endforeach()
  list(SORT ${variable})
endmacro()
