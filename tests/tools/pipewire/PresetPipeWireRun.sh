#!/bin/bash
# marvo-preset pipewire in a running PipeWire: a private daemon (own runtime folder, no session manager) loads
# the drop-in written for a correction; the demo clip played into the device and recorded from its output
# has each tone's gain as marvo-vst gives it running SmallEQ with the fitted program (within 0.05 dB).
# Exit status 77 (skipped) without pipewire, pw-cat, pw-cli or pw-link.
# Arguments: marvo-preset marvo-vst marvo-tones SmallEQ LV2-folder correction work-folder
set -u
PRESET=$1 VST=$2 TONES=$3 SMALLEQ=$4 LV2=$5 CORRECTION=$6 WORK=$7
for tool in pipewire pw-cat pw-cli pw-link; do
  command -v $tool > /dev/null || { echo "marvo-preset pipewire run: skipped ($tool is not installed)"; exit 77; }
done
rm -rf "$WORK"; mkdir -p "$WORK/conf/pipewire.conf.d" "$WORK/rt"; chmod 700 "$WORK/rt"; cd "$WORK"
export XDG_RUNTIME_DIR=$WORK/rt LV2_PATH=$LV2 PIPEWIRE_LOG_SYSTEMD=false
fail() { echo "marvo-preset pipewire run: $*"; exit 1; }

"$PRESET" import "$CORRECTION" -o fitted.fxp > /dev/null 2>&1 || fail "import failed"
"$PRESET" pipewire fitted.fxp -o conf/pipewire.conf.d/marvo-eq.conf > /dev/null || fail "pipewire failed"
"$TONES" make clip.wav || fail "marvo-tones make failed"
"$VST" process "$SMALLEQ" clip.wav expected.wav --fxp fitted.fxp || fail "marvo-vst process failed"
# The daemon: the native protocol, streams and links, one dummy driver at the clip's rate; the drop-in beside.
cat > conf/pipewire.conf <<'CONF'
context.properties = {
    core.daemon = true  core.name = pipewire-0  support.dbus = false
    default.clock.rate = 44100  default.clock.quantum = 1024
}
context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert  support.* = support/libspa-support }
context.modules = [
    { name = libpipewire-module-protocol-native }  { name = libpipewire-module-client-node }
    { name = libpipewire-module-access }           { name = libpipewire-module-metadata }
    { name = libpipewire-module-adapter }          { name = libpipewire-module-link-factory }
    { name = libpipewire-module-spa-node-factory }
]
context.objects = [
    { factory = spa-node-factory
      args = { factory.name = support.node.driver  node.name = Dummy-Driver  priority.driver = 20000 } }
]
CONF

PIDS=()
trap 'for p in "${PIDS[@]}"; do kill $p 2>/dev/null; done; wait 2>/dev/null' EXIT
PIPEWIRE_CONFIG_DIR=$WORK/conf timeout 60 pipewire > pipewire.log 2>&1 &
PIDS+=($!)
for i in $(seq 100); do [ -S rt/pipewire-0 ] && break; sleep 0.1; done

# A node's id by its name, waiting up to 5 s for it to appear.
node() {
  for i in $(seq 50); do
    local id
    id=$(timeout 3 pw-cli ls Node 2>/dev/null | grep -B8 "node.name = \"$1\"" | grep -o 'id [0-9][0-9]*' | tail -1 | cut -d' ' -f2)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Without a session manager a stream shows its ports once told their layout: stereo float planes.
dsp() {
  timeout 3 pw-cli set-param "$1" PortConfig "{ direction: $2, mode: dsp, format: { mediaType: audio,
    mediaSubtype: raw, format: F32P, rate: 44100, channels: 2, position: [ FL FR ] } }" > /dev/null
}
link() { timeout 3 pw-link "$1" "$2" || fail "cannot link $1 to $2"; }

IN=$(node effect_input.marvo) && OUT=$(node effect_output.marvo) || fail "the filter chain did not load: $(tail -3 pipewire.log)"
dsp "$IN" Input; dsp "$OUT" Output
timeout 30 pw-cat --playback clip.wav -P '{ node.name = marvo-run-play }' &
PLAY=$!; PIDS+=($PLAY)
timeout 30 pw-cat --record --rate 44100 --channels 2 --format f32 played.wav -P '{ node.name = marvo-run-record }' &
RECORD=$!; PIDS+=($RECORD)
P=$(node marvo-run-play) && R=$(node marvo-run-record) || fail "pw-cat's streams did not appear"
dsp "$P" Output; dsp "$R" Input
sleep 0.2
# The recording first, so that it takes the clip from its start (the tones are measured in their middles).
for c in FL FR; do link effect_output.marvo:output_$c marvo-run-record:input_$c; done
for c in FL FR; do link marvo-run-play:output_$c effect_input.marvo:playback_$c; done
wait $PLAY || fail "pw-cat --playback failed"
sleep 0.5
kill -INT $RECORD; wait $RECORD

expected=$("$TONES" measure clip.wav expected.wav) || fail "cannot measure expected.wav"
played=$("$TONES" measure clip.wav played.wav) || fail "cannot measure the recording"
gains() { echo "$1" | tail -n +2 | awk '{ print $(NF - 1) }'; }
same=$(paste <(gains "$expected") <(gains "$played") |
       awk '{ d = $1 - $2; if (d > 0.05 || d < -0.05) bad = 1 } END { print (NR == 4 && !bad) ? "yes" : "no" }')
[ "$same" = yes ] || fail "the gains differ from marvo-vst's:
$expected
$played"
echo "$played"
