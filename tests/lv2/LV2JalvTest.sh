#!/bin/bash
# jalv.gtk3 hosts the bundle on a JACK server of its own (dummy driver) under the X display of the test run:
# the editor appears embedded in jalv's window at its 131 x 35 size, a tone from jack_simple_client goes
# through the plug-in and moves the editor's meter (the level ports reach it), and an XTest drag up the meter
# (the volume, 0.1 dB per pixel) raises the output level that jalv prints. A ctrl-click on selector cell 5
# recalls snapshot 5 (+6 dB) of the state jalv starts from: restored by the plug-in, handed to the editor. A
# second jalv, whose listener keeps the spectrum shown, draws the tone behind the response curve. Skipped
# (exit 77) when a tool or the display is missing.
# Usage: LV2JalvTest.sh LV2_PATH WORKDIR
set -u
export LV2_PATH=$1
work=$2
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; [ -f "$work/jalv.log" ] && tail -5 "$work/jalv.log"; exit 1; }
for tool in jackd:jackd2 jack_simple_client:jackd2 jack_connect:jackd2 jalv.gtk3:jalv xdotool:xdotool xwininfo:x11-utils xwd:x11-apps; do
  command -v "${tool%%:*}" >/dev/null || skip "${tool%%:*} is not installed (Debian package ${tool##*:})"
done
[ -n "${DISPLAY:-}" ] || skip "no X display (run under xvfb-run)"
rm -rf "$work" && mkdir -p "$work"

# Polls a condition (a command) every 50 ms for up to $1 seconds.
await() {
  local seconds=$1; shift
  for _ in $(seq $((seconds * 20))); do "$@" && return 0; sleep 0.05; done
  return 1
}

export JACK_DEFAULT_SERVER=marvo-lv2-test-$$
pids=()
stop() {
  kill "${pids[@]}" 2>/dev/null
  await 5 bash -c "! kill -0 ${pids[*]} 2>/dev/null" || kill -9 "${pids[@]}" 2>/dev/null
}
trap stop EXIT
jackd --no-realtime -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 & pids+=($!)
await 20 bash -c 'jack_lsp >/dev/null 2>&1' || fail "the JACK server did not start"
# The state as jalv saves it: eight snapshots of the initial setting, snapshot 5 with the volume at +6 dB.
initial="31.5 0 0.5 -1 100 0 0.5 -0.5 500 0 0.5 0 1000.01 0 0.5 0 2000 0 0.5 0 4000 0 0.5 0 8000 0 0.5 0.5 16000 0 0.5 1"
values=""
for s in 0 1 2 3 4 5 6 7; do values+=" $initial $([ $s = 5 ] && echo 6 || echo 0)"; done
mkdir -p "$work/state"
cat >"$work/state/state.ttl" <<EOF
@prefix atom: <http://lv2plug.in/ns/ext/atom#> . @prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> . @prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> . @prefix xsd: <http://www.w3.org/2001/XMLSchema#> .
<> a pset:Preset ; lv2:appliesTo <urn:zentrova:marvo:smalleq> ; state:state [
    <urn:zentrova:marvo:smalleq:snapshots> [ a atom:Vector ; atom:childType atom:Float ;
        rdf:value ( $(for v in $values; do printf '"%s"^^xsd:float ' "$v"; done) ) ] ;
    <urn:zentrova:marvo:smalleq:currentSnapshot> "0"^^xsd:int ] .
EOF
XDG_CONFIG_HOME="$work/config" jalv.gtk3 --no-menu --print-controls --jack-name marvo -l "$work/state" urn:zentrova:marvo:smalleq >"$work/jalv.log" 2>&1 & pids+=($!)
editor_window() { window=$(xdotool search --class MarvoForm 2>/dev/null | head -1); [ -n "$window" ]; }
await 30 editor_window || fail "no editor window appeared in jalv"
geometry=$(xwininfo -id "$window")
size=$(awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}' <<<"$geometry")
[ "$size" = 131x35 ] || fail "the editor is $size, not 131x35"
parent=$(xwininfo -children -id "$window" | awk '/Parent window id:/{print $4}')
[ -n "$parent" ] && [ "$parent" != "$(xwininfo -root | awk '/Window id:/{print $4}')" ] ||
  fail "the editor is not embedded (its parent is the root)"
left=$(awk '/Absolute upper-left X/{print $4}' <<<"$geometry")
top=$(awk '/Absolute upper-left Y/{print $4}' <<<"$geometry")

# The meter's columns of the panel (x 126..129) as xwd dumps them: silent before the tone.
meter() { xwd -silent -id "$window" | tail -c $((131 * 35 * 4)) | od -An -v -tu4 -w524 | awk '{print $127, $128, $129, $130}' | md5sum; }
silent_meter=$(meter)

jack_simple_client >"$work/tone.log" 2>&1 & pids+=($!)
await 20 bash -c 'jack_lsp 2>/dev/null | grep -q "^jack_simple_client:output2"' || fail "the tone client did not start"
jack_connect jack_simple_client:output1 marvo:in_l || fail "cannot connect the tone"
jack_connect jack_simple_client:output2 marvo:in_r || fail "cannot connect the tone"
level() { awk '/^level_l = /{v=$3} END{print v}' "$work/jalv.log"; }
sounding() { awk -v l="$(level)" 'BEGIN{exit !(l != "" && l > -60)}'; }
await 20 sounding || fail "no level through the plug-in: $(level)"
# The meter settles within a fraction of a second: the last two values printed agree.
steady() { awk '/^level_l = /{p=v; v=$3; n++} END{exit !(n >= 2 && v - p < 0.05 && p - v < 0.05)}' "$work/jalv.log"; }
await 20 steady || fail "the level did not settle: $(level)"
before=$(level)
meter_moved() { [ "$(meter)" != "$silent_meter" ]; }
await 10 meter_moved || fail "the editor's meter did not move with the tone"

# Drag up the meter (x 128, y 17 of the panel): the editor hides the pointer and puts it back each move.
cx=$((left + 128)); cy=$((top + 17))
at_centre() { [ "$(xdotool getmouselocation | awk '{print $1 $2}')" = "x:${cx}y:${cy}" ]; }
xdotool mousemove "$cx" "$cy"
await 5 at_centre || fail "the pointer did not reach the meter"
xdotool mousedown 1
for _ in 1 2 3 4; do
  xdotool mousemove "$cx" $((cy - 5))
  await 5 at_centre || fail "the editor did not take the drag"
done
xdotool mouseup 1
raised() { awk -v b="$before" -v l="$(level)" 'BEGIN{exit !(l - b > 1.5 && l - b < 2.5)}'; }
await 20 raised || fail "the level went from $before to $(level) dB, expected about +2"
raised=$(level)

# Ctrl-click on selector cell 5 (x 12, y 20): the restored snapshot 5 sets the volume to +6 dB.
xdotool mousemove $((left + 12)) $((top + 20)) keydown ctrl click 1 keyup ctrl
recalled() { awk -v b="$before" -v l="$(level)" 'BEGIN{exit !(l - b > 5.5 && l - b < 6.5)}'; }
await 20 recalled || fail "snapshot 5 took the level from $before to $(level) dB, expected about +6"
kill -0 "${pids[1]}" || fail "jalv ended"
recalled=$(level)

# A second jalv whose listener keeps the response view and the output's spectrum shown: the editor opens
# 131 x 95, and the plug-in's tone (reached through instance-access) draws behind the curve.
kill "${pids[1]}"
gone() { ! xdotool search --class MarvoForm >/dev/null 2>&1; }
await 10 gone || fail "the first editor did not close"
mkdir -p "$work/shown/marvo/registry/hkcu/software/zentrova/marvo"
printf 'i\tResponse\t1\ni\tSpectrum\t1\n' >"$work/shown/marvo/registry/hkcu/software/zentrova/marvo/smalleq.key"
XDG_CONFIG_HOME="$work/shown" jalv.gtk3 --no-menu --jack-name marvo2 urn:zentrova:marvo:smalleq \
  >"$work/jalv2.log" 2>&1 & pids+=($!)
await 30 editor_window || fail "no editor window appeared in the second jalv"
size=$(xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[ "$size" = 131x95 ] || fail "the editor with the response view is $size, not 131x95"
plot() { xwd -silent -id "$window" | tail -c $((131 * 60 * 4)) | md5sum; }
silent_plot=$(plot)
jack_connect jack_simple_client:output1 marvo2:in_l || fail "cannot connect the tone to the second jalv"
plot_moved() { [ "$(plot)" != "$silent_plot" ]; }
await 10 plot_moved || fail "the tone drew no spectrum behind the curve"
echo "LV2JalvTest: the editor is embedded in jalv, its meter moves, a drag raised the level from $before to" \
  "$raised dB and the restored snapshot 5 to $recalled dB; with the response view the tone's spectrum shows"
