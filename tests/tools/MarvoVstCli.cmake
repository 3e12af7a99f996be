# marvo-vst end to end (cmake -P): info, process of generated files, and failures that must end as one line
# on standard error with the documented exit status.
# Variables: RUN (the emulator, or empty), MARVO_VST, PROBE, PLUGIN, WORK (a scratch folder).
include(${CMAKE_CURRENT_LIST_DIR}/CliSupport.cmake)

# fails(<exit status> <text the one line contains> <args>...)
macro(fails expected text)
  fails_in_one_line(${MARVO_VST} marvo-vst ${expected} "${text}" ${ARGN})
endmacro()

run(0 ${MARVO_VST} info ${PLUGIN})
foreach(line "Unique ID +'" "Channels +2 inputs, 2 outputs" "Parameters +[1-9]" "\n +0  "
             "Described +every parameter" "\n +0  freq1 +Freq1 +20[.][.]20000 +logarithmic 1000 +31.5 +20[.][.]20000")
  if(NOT OUT MATCHES "${line}")
    message(FATAL_ERROR "info lacks '${line}':\n${OUT}")
  endif()
endforeach()

# Stereo and mono files come out with their own channels, rate, length and encoding.
foreach(channels 2 1)
  run(0 ${PROBE} write in${channels}.wav ${channels} 32000 3001)
  run(0 ${MARVO_VST} process ${PLUGIN} in${channels}.wav out${channels}.wav --set 1=0.75 --block 100)
  run(0 ${PROBE} show in${channels}.wav)
  set(in "${OUT}")
  run(0 ${PROBE} show out${channels}.wav)
  if(NOT OUT STREQUAL in)
    message(FATAL_ERROR "output differs in form from input:\n${in}${OUT}")
  endif()
endforeach()

# Both of the equaliser's engines can be chosen.
foreach(engine fast reference)
  run(0 ${MARVO_VST} process ${PLUGIN} in2.wav out-${engine}.wav --set 1=0.75 --engine ${engine})
endforeach()

run(0 ${PROBE} write in6.wav 6 32000 10)
fails(1 "6 channels" process ${PLUGIN} in6.wav out.wav)
fails(1 "cannot read 'missing.wav'" process ${PLUGIN} missing.wav out.wav)
fails(1 "cannot load plugin 'missing.so': no such file" process missing.so in2.wav out.wav)
fails(1 "This is not a valid Vst Plugin! [(].+[)]" info in2.wav)
fails(1 "--set 999: no such parameter" process ${PLUGIN} in2.wav out.wav --set 999=0.5)
fails(2 "normalised value must lie in 0..1" process ${PLUGIN} in2.wav out.wav --set 1=2)
fails(2 "unknown command 'frob'" frob)
