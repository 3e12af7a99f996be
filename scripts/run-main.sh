#!/usr/bin/env bash
# The main job: sets up a fresh Debian 12 machine, builds the equaliser's player plug-in and the stand-in
# player, lays out a player's folder (marvo-play, dsp_Marvo, the shipped preset as Marvo.fxp), plays the
# demo clip of test tones through the plug-in and prints each tone's level before and after.
#   scripts/run-main.sh           native build: build/player/ (marvo-play, dsp_Marvo.so)
#   scripts/run-main.sh --wine    Windows build under Wine: build/player-win32/ (marvo-play.exe, dsp_Marvo.dll)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

mode=native
case "${1:-}" in
  "") ;;
  --wine) mode=win32 ;;
  *) echo "usage: scripts/run-main.sh [--wine]" >&2; exit 2 ;;
esac

scripts/setup.sh
cmake --preset "$mode"
cmake --build --preset "$mode" --target dsp_Marvo marvo-play marvo-tones marvo-vst SmallEQ -j2

bin=$root/build/$mode/bin
if [ "$mode" = win32 ]; then
  player=$root/build/player-win32 exe=.exe library=dsp_Marvo.dll
  run=("$root/scripts/wine-run")
else
  player=$root/build/player exe="" library=dsp_Marvo.so
  run=()
fi

# The player's folder. The plug-in reads Marvo.fxp beside the running program at Init and writes it back at
# Quit; it is copied afresh so that every run plays the shipped preset.
mkdir -p "$player"
cp "$bin/marvo-play$exe" "$bin/$library" "$player/"
cp presets/Marvo.fxp "$player/Marvo.fxp"

clip=$player/demo-clip.wav
result=$player/demo-equalised.wav
job() {
  "${run[@]}" "$bin/marvo-tones$exe" make "$clip"
  "${run[@]}" "$player/marvo-play$exe" "$player/$library" "$clip" "$result"
  echo
  echo "The clip:       $clip"
  echo "Equalised:      $result"
  echo "Preset:         $player/Marvo.fxp (+9 dB at 100 Hz, -6 dB at 1 kHz, +6 dB at 10 kHz, 3 kHz untouched;"
  echo "                the plug-in's output stage adds -0.45 dB to every tone)"
  echo
  "${run[@]}" "$bin/marvo-tones$exe" measure "$clip" "$result"
}

if [ "$mode" = win32 ]; then
  # One virtual display and one wineserver for the three programs (the plug-in opens a window). The job goes
  # in as text, not as an exported function: xvfb-run is a /bin/sh script, and dash drops exported functions.
  scripts/wine-session bash -c "set -euo pipefail; $(declare -p run bin player library clip result exe)
$(declare -f job)
job"
else
  job
fi
