# marvo-editor-png end to end (cmake -P): the editor with the shipped preset is written as a 4x PNG that
# differs from the initial setting's; failures end as one line on standard error and leave no picture.
# Variables: EDITOR_PNG, TONES (marvo-tones, for an audio file), FXP (the shipped preset), WORK (a scratch
# folder).
include(${CMAKE_CURRENT_LIST_DIR}/CliSupport.cmake)

# The width and height in a PNG's header.
function(png_size file out)
  file(READ ${file} header HEX OFFSET 16 LIMIT 8)
  string(SUBSTRING "${header}" 0 8 w)
  string(SUBSTRING "${header}" 8 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  set(${out} "${w}x${h}" PARENT_SCOPE)
endfunction()

run(0 ${EDITOR_PNG} ${FXP} preset.png)
png_size(${WORK}/preset.png size)
if(NOT size STREQUAL "524x140")
  message(FATAL_ERROR "preset.png is ${size}, expected 524x140 (131 x 35 at scale 4)")
endif()
run(0 ${EDITOR_PNG} initial.png)
file(SHA256 ${WORK}/preset.png with_preset)
file(SHA256 ${WORK}/initial.png without)
if(with_preset STREQUAL without)
  message(FATAL_ERROR "the picture with ${FXP} is the initial setting's")
endif()

# The editor's own zoom and the response view: 2 x 2 blocks of the panel, and 60 more rows under it; the
# picture at --zoom 2 --scale 1 is the one at --scale 2.
run(0 ${EDITOR_PNG} --zoom 2 --response --scale 1 zoomed.png)
png_size(${WORK}/zoomed.png size)
if(NOT size STREQUAL "262x190")
  message(FATAL_ERROR "zoomed.png is ${size}, expected 262x190 (131 x 95 at zoom 2)")
endif()
run(0 ${EDITOR_PNG} --zoom 2 --scale 1 ${FXP} zoom2.png)
run(0 ${EDITOR_PNG} --scale 2 ${FXP} scale2.png)
file(SHA256 ${WORK}/zoom2.png zoomed)
file(SHA256 ${WORK}/scale2.png scaled)
if(NOT zoomed STREQUAL scaled)
  message(FATAL_ERROR "the editor at zoom 2 is not the 1x editor magnified twice")
endif()

# The spectrum of an audio file's last second: the response view is shown with it, and the output's spectrum
# (through the preset's bands) is not the input's.
run(0 ${TONES} make clip.wav)
run(0 ${EDITOR_PNG} --spectrum clip.wav ${FXP} spectrum.png)
png_size(${WORK}/spectrum.png size)
if(NOT size STREQUAL "524x380")
  message(FATAL_ERROR "spectrum.png is ${size}, expected 524x380 (131 x 95 at scale 4)")
endif()
run(0 ${EDITOR_PNG} --response ${FXP} response.png)
run(0 ${EDITOR_PNG} --spectrum clip.wav --spectrum-input ${FXP} spectrum-input.png)
file(SHA256 ${WORK}/spectrum.png output)
file(SHA256 ${WORK}/response.png none)
file(SHA256 ${WORK}/spectrum-input.png input)
if(output STREQUAL none OR output STREQUAL input)
  message(FATAL_ERROR "the output's spectrum is missing, or the same as the input's")
endif()

# fails(<exit status> <text the one line contains> <args>...)
macro(fails expected text)
  fails_in_one_line(${EDITOR_PNG} marvo-editor-png ${expected} "${text}" ${ARGN} out.png)
  if(EXISTS ${WORK}/out.png)
    message(FATAL_ERROR "${ARGN}: failed but left out.png behind")
  endif()
endmacro()

file(WRITE ${WORK}/bad.fxp "not a program file\n")
fails(1 "cannot load preset 'missing.fxp': preset file does not exist" missing.fxp)
fails(1 "cannot load preset 'bad.fxp': preset file is truncated" bad.fxp)
fails(2 "--scale '0': expected a whole number from 1 to 32" --scale 0)
fails(2 "--scale '33': expected a whole number from 1 to 32" --scale=33)
fails(2 "--scale '2x': expected a whole number from 1 to 32" --scale 2x)
fails(2 "--band '9': expected a whole number from 1 to 8" --band 9)
fails(2 "--zoom '5': expected a whole number from 1 to 4" --zoom 5)
fails(1 "cannot read 'missing.wav'" --spectrum missing.wav)
fails(2 "--spectrum-input needs --spectrum FILE" --spectrum-input)
