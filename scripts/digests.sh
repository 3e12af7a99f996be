#!/usr/bin/env bash
# Digests of what a refactoring must not change: editor pixels, SmallEQ and dsp_Marvo audio, the saved program file,
# the LV2 Turtle, an imported preset. Usage: scripts/digests.sh [TREE [PRESET]] (the native build by default); compare the output before and after.
set -euo pipefail
tree=$(cd "${1:-.}" && pwd); preset=${2:-native}
bin=$tree/build/$preset/bin
out=$(mktemp -d)
cd "$tree"
"$bin/marvo-tones" make "$out/clip.wav" >/dev/null
"$bin/marvo-editor-png" --scale 4 --band 1 presets/Marvo.fxp "$out/editor.png" >/dev/null
"$bin/marvo-editor-png" --zoom 2 --response --scale 1 presets/Marvo.fxp "$out/editor-z2r.png" >/dev/null
"$bin/marvo-vst" process "$bin/SmallEQ.so" "$out/clip.wav" "$out/smalleq.wav" --fxp presets/Marvo.fxp --set 2=0.3 --set 7=0.9 --block 512 >/dev/null
mkdir -p "$out/player"; cp "$bin/marvo-play" "$bin/dsp_Marvo.so" "$out/player/"; cp presets/Marvo.fxp "$out/player/Marvo.fxp"
XDG_CONFIG_HOME=$out/cfg "$out/player/marvo-play" "$out/player/dsp_Marvo.so" "$out/clip.wav" "$out/player.wav" >/dev/null
"$bin/marvo-vst" save-fxp "$bin/SmallEQ.so" "$out/saved.fxp" --set 1=0.8 --set 32=0.7 >/dev/null
"$bin/marvo-preset" import tests/data/presets/correction-a.txt -o "$out/import.fxp" >/dev/null 2>&1
cat "$tree/build/$preset/lv2/Marvo.lv2/"*.ttl > "$out/turtle.ttl"
for f in editor.png editor-z2r.png smalleq.wav player.wav player/Marvo.fxp saved.fxp import.fxp turtle.ttl; do
  printf '%-16s %s\n' "$f" "$(sha256sum < "$out/$f" | cut -c1-16)"
done
rm -rf "$out"
