#!/usr/bin/env bash
# Remakes presets/Marvo.fxp with the native build's marvo-vst and SmallEQ.so (build them first:
# cmake --build --preset native --target marvo-vst SmallEQ), or those in the folder given as argument.
# Values are normalised 0..1 ('marvo-vst info SmallEQ.so' lists the parameters): for filter n = 1..8,
# parameter 4(n-1) is its frequency, +1 its gain (0.5 = 0 dB, +-15 dB at the ends), +2 its bandwidth
# (0.5 = 1 octave), +3 its symmetry (0 low shelf, 0.5 bell, 1 high shelf); 32 is the output volume.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/native/bin}

settings=(
  --set 4=0.233072 --set 5=0.8 --set 6=0.5 --set 7=0.5  # filter 2: 100 Hz, +9 dB, 1 octave, bell
  --set 13=0.3 --set 14=0.5 --set 15=0.5                # filter 4: 1 kHz (as it is), -6 dB, 1 octave, bell
  --set 24=0.899671 --set 25=0.7 --set 26=0.5 --set 27=0.5 # filter 7: 10 kHz, +6 dB, 1 octave, bell
)                                                       # the other filters and the volume stay at 0 dB

"$bin/marvo-vst" save-fxp "$bin/SmallEQ.so" presets/Marvo.fxp "${settings[@]}"
echo "presets/Marvo.fxp written"
