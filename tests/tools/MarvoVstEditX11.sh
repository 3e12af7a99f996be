#!/usr/bin/env bash
# marvo-vst edit on an X display, as a user sees it: the window that shows SmallEQ.so's editor (its pixels
# read back from the screen), closed as the window manager's close button closes it, with the program file
# saved; a third-party plug-in's editor that draws something; and the generic editor's refusal.
#   MarvoVstEditX11.sh MARVO_VST SCREEN_PROBE SMALLEQ WORK     (needs DISPLAY: ctest under xvfb-run)
set -euo pipefail
marvo_vst=$1 probe=$2 smalleq=$3 work=$4
fail() { echo "MarvoVstEditX11: $*" >&2; [ -f "$work/edit.log" ] && cat "$work/edit.log" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null || true' EXIT

# open_editor TITLE ARGS...: starts marvo-vst edit ARGS; sets wid and the client rectangle X Y W H.
open_editor() {
  local title=$1
  shift
  "$marvo_vst" edit "$@" >"$work/edit.log" 2>&1 &
  pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) ||
    fail "no window '$title' within 20 s"
  # Let the editor paint its first frame.
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  X=$X Y=$Y W=$WIDTH H=$HEIGHT
}

# close_editor: the window manager's close request; marvo-vst must end by itself with status 0.
close_editor() {
  "$probe" close "$wid" || fail "could not ask window $wid to close"
  local status=0
  timeout 10 tail --pid="$pid" -f /dev/null || fail "marvo-vst did not end within 10 s of the close request"
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "marvo-vst edit ended with status $status"
}

# pixel ROW COLUMN: one pixel of the last capture (row-major, 8 hex digits).
pixel() { sed -n "$(($1 + 1))p" "$work/capture.txt" | cut -d' ' -f"$(($2 + 1))"; }

# --- SmallEQ: the editor at the window's client origin; the flat strip on row 32 from x 17 to 123 ----------
open_editor "marvo-vst - Small EQ" "$smalleq" --set 1=0.75 --save-fxp "$work/saved.fxp"
[ "$W" -ge 131 ] && [ "$H" -ge 35 ] || fail "the window is ${W}x$H, smaller than the editor's 131x35"
"$probe" capture "$X" "$Y" 131 35 >"$work/capture.txt"
# Band 1's gain moved (0.75), so the strip's left part is not flat; its right end (20 kHz) still is.
[ "$(pixel 32 123)" = FF00CC14 ] || fail "row 32 at x 123 is $(pixel 32 123), not the flat strip FF00CC14"
[ "$(pixel 32 124)" != FF00CC14 ] || fail "the strip reaches x 124"
[ "$(pixel 32 17)" != FF00CC14 ] || fail "band 1's boost does not show at the strip's left end"
close_editor
[ "$(head -c 4 "$work/saved.fxp")" = CcnK ] || fail "--save-fxp wrote no program file"
# Parameter 1 (band 1's gain) is the program's second value: 0.75 as a big-endian float at byte 60.
[ "$(od -An -tx1 -j60 -N4 "$work/saved.fxp" | tr -d ' ')" = 3f400000 ] || fail "the saved gain is not 0.75"

# --- A third-party plug-in's own X11 editor: not one flat colour -------------------------------------------
third=/usr/lib/vst/ZamEQ2-vst.so
if [ -f "$third" ]; then
  open_editor "marvo-vst - ZamEQ2" "$third"
  "$probe" capture "$X" "$Y" "$W" "$H" >"$work/capture.txt"
  colours=$(tr ' ' '\n' <"$work/capture.txt" | sort -u | wc -l)
  [ "$colours" -ge 16 ] || fail "ZamEQ2's editor shows $colours colours in ${W}x$H: blank"
  close_editor
else
  echo "MarvoVstEditX11: $third is not installed; the third-party editor is not checked"
fi
# The generic editor has no controls on X11: a one-line refusal with status 1, not an empty window.
status=0
"$marvo_vst" edit "$smalleq" --generic list >"$work/generic.log" 2>&1 || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$work/generic.log")" -eq 1 ] && grep -q "generic editor" "$work/generic.log" ||
  fail "edit --generic ended with $status: $(cat "$work/generic.log")"
echo "MarvoVstEditX11: passed"
