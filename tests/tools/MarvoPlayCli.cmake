# marvo-play end to end (cmake -P): failures end as one line on standard error with a non-zero exit status;
# with the adapter library, the demo clip played from a player's folder comes out equalised as the
# Marvo.fxp in that folder says, and again so once the library has written the file back at Quit.
# Variables: RUN (the emulator, or empty), PLAY, TONES, FAKE, FAKE_OLD, SMALLEQ, WINDOWED (set in the
# Windows build), WORK (a scratch folder); MARVO and FXP when the adapter library is built.
include(${CMAKE_CURRENT_LIST_DIR}/CliSupport.cmake)

# fails(<exit status> <text the one line contains> <marvo-play args>...): no output file is left either.
macro(fails expected text)
  fails_in_one_line(${PLAY} marvo-play ${expected} "${text}" ${ARGN})
  if(EXISTS ${WORK}/out.wav)
    message(FATAL_ERROR "${ARGN}: failed but left out.wav behind")
  endif()
endmacro()

run(0 ${TONES} make clip.wav)
file(WRITE ${WORK}/bad.wav "not audio at all\n")
file(WRITE ${WORK}/notalib.dll "not a library at all\n")

fails(1 "cannot read 'missing.wav'" ${FAKE} missing.wav out.wav)
fails(1 "cannot read 'bad.wav'" ${FAKE} bad.wav out.wav)
fails(2 "--bits 32: a player gives 8, 16 or 24 bits" ${FAKE} clip.wav out.wav --bits 32)
fails(2 "--block 0: must lie in 1..65536" ${FAKE} clip.wav out.wav --block 0)
fails(1 "cannot load plug-in 'missing.dll': no such file" missing.dll clip.wav out.wav)
fails(1 "cannot load plug-in 'notalib.dll': [^ ]" notalib.dll clip.wav out.wav)
fails(1 "is no DSP plug-in: it exports no winampDSPGetHeader2" ${SMALLEQ} clip.wav out.wav)
fails(1 "is no DSP plug-in: its interface version is 0x10, the player's is 0x20" ${FAKE_OLD} clip.wav out.wav)
fails(1 "is the input file" ${FAKE} clip.wav clip.wav)
if(WINDOWED)
  # A plug-in without a "Marvo" window: --show says so and plays at full speed.
  run(0 ${PLAY} ${FAKE} clip.wav shown.wav --show)
  if(NOT ERR MATCHES "shows no \"Marvo\" window")
    message(FATAL_ERROR "--show without a plug-in window:\n${ERR}")
  endif()
else()
  fails(1 "--show needs the Windows build" ${FAKE} clip.wav out.wav --show)
endif()

if(NOT MARVO)
  return()
endif()

# The player's folder: the program, the plug-in library and the program file it reads at Init.
set(player ${WORK}/player)
get_filename_component(play_name ${PLAY} NAME)
get_filename_component(marvo_name ${MARVO} NAME)
file(MAKE_DIRECTORY ${player})
file(COPY ${PLAY} ${MARVO} DESTINATION ${player})
file(COPY_FILE ${FXP} ${player}/Marvo.fxp)

# Each tone's gain: the preset's setting at its band, on top of the library's -0.45 dB.
set(expected "100 Hz=9" "1 kHz=-6" "10 kHz=6" "3 kHz=0")
foreach(pass 1 2)
  run(0 ${player}/${play_name} ${player}/${marvo_name} clip.wav out${pass}.wav)
  run(0 ${TONES} measure clip.wav out${pass}.wav)
  set(measured${pass} "${OUT}")
  foreach(tone ${expected})
    string(REPLACE "=" ";" tone "${tone}")
    list(GET tone 0 name)
    list(GET tone 1 gain)
    if(NOT OUT MATCHES "\n${name} +[-0-9.]+ dBFS +[-0-9.]+ dBFS +([-+0-9.]+) dB")
      message(FATAL_ERROR "no gain for ${name} in:\n${OUT}")
    endif()
    math(EXPR low "${gain} * 100 - 45 - 50")
    math(EXPR high "${gain} * 100 - 45 + 50")
    string(REPLACE "." "" got "${CMAKE_MATCH_1}")
    math(EXPR got "${got}")
    if(got LESS low OR got GREATER high)
      message(FATAL_ERROR "pass ${pass}: ${name} gains ${CMAKE_MATCH_1} dB, expected ${gain} - 0.45 +- 0.5 dB:\n${OUT}")
    endif()
  endforeach()
endforeach()
if(NOT measured1 STREQUAL measured2)
  message(FATAL_ERROR "the second pass (Marvo.fxp as the library wrote it back) differs:\n${measured1}${measured2}")
endif()
