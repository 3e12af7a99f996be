#!/bin/sh
# SmallEQ.vst3 in Debian's Ardour 7: its scanner lists the bundle, and a headless ardour7-lua session on the
# Dummy backend hears band 4 at +12 dB raise 1 kHz by 12.0 dB, leave 100 Hz within 0.3 dB, and keep the
# setting through a saved and reopened session. Skipped (77) without Ardour.
# Usage: VST3ArdourTest.sh <bundle SmallEQ.vst3> <work folder> <folder of the Lua scripts>
set -u
bundle=$1 work=$2 scripts=$3
scanner=/usr/lib/ardour7/ardour-vst3-scanner
if [ ! -x "$scanner" ] || ! command -v ardour7-lua >/dev/null 2>&1; then
  echo "Ardour 7 is not installed: skipped"
  exit 77
fi

rm -rf "$work" && mkdir -p "$work/home/.vst3" "$work/config/ardour7/scripts" "$work/cache" || exit 1
ln -s "$(cd "$bundle" && pwd)" "$work/home/.vst3/SmallEQ.vst3"
cp "$scripts/marvo_tone.lua" "$scripts/marvo_level.lua" "$work/config/ardour7/scripts/"
# The Dummy backend is hidden unless the user's configuration shows it.
cat > "$work/config/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
</Ardour>
XML
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"

fail=0
check() { # <what> <condition as awk expression over v> <value>
  if awk -v v="$3" "BEGIN { exit !($2) }"; then echo "ok: $1 = $3"; else echo "FAILED: $1 = $3"; fail=1; fi
}

LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 "$scanner" -v "$work/home/.vst3/SmallEQ.vst3" > "$work/scan.log" 2>&1
cat "$work/scan.log"
grep -q "Found Plugin: SmallEQ" "$work/scan.log" || { echo "FAILED: the scanner did not list SmallEQ"; fail=1; }
grep -q 'uid="A2792711EC5A4BDA048685D4A54BE974" name="SmallEQ"' "$work"/cache/ardour7/vst/*.v3i ||
  { echo "FAILED: the scanner's cache has no SmallEQ"; fail=1; }

for phase in create reopen; do
  MARVO_PHASE=$phase MARVO_SESSION_DIR="$work/session" timeout 120 ardour7-lua "$scripts/session.lua" \
    < /dev/null >> "$work/session.log" 2>&1
done
grep -v '^\[Info\]' "$work/session.log" | tail -20
result() { awk -v k="$1" '$1 == "RESULT" && $2 == k { print $3 }' "$work/session.log"; }
check "1 kHz raised by (dB)" 'v != "" && v >= 11.95 && v <= 12.05' "$(result gain1k)"
check "100 Hz changed by (dB)" 'v != "" && v >= -0.3 && v <= 0.3' "$(result gain100)"
check "band 4 gain after reopening (dB)" 'v != "" && v >= 11.999 && v <= 12.001' "$(result reopenedparam)"
check "1 kHz raised after reopening by (dB)" 'v != "" && v >= 11.95 && v <= 12.05' "$(result reopened1k)"
check "flat 1 kHz against the tone (dB)" 'v != "" && v >= -0.05 && v <= 0.05' "$(result flat1k)"
check "session made and saved" 'v == 1' "$(result create)"
check "session reopened" 'v == 1' "$(result reopen)"
exit $fail
