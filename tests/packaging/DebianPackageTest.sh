#!/usr/bin/env bash
# The Debian package as a user meets it: installed with apt-get, the installed marvo-vst hosting the
# installed SmallEQ.so (info; a clip of test tones equalised by the shipped preset), then removed.
#   tests/packaging/DebianPackageTest.sh PACKAGE.deb TONES WORK
# TONES is marvo-tones of the native build (makes and measures the clip). Runs as root, or through sudo.
set -euo pipefail
deb=$(realpath "$1") tones=$(realpath "$2") work=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
fail() { echo "DebianPackageTest: $*" >&2; exit 1; }

installed() { dpkg-query -W -f='${Status}' marvo 2>/dev/null | grep -q "install ok installed"; }
remove() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -q marvo >/dev/null; }
# Whatever happens, the machine is left without the package.
trap 'if installed; then remove; fi' EXIT
if installed; then remove; fi

rm -rf "$work" && mkdir -p "$work"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
  fail "apt-get install failed: $(tail -3 "$work/apt.log")"
installed || fail "the package is not installed after apt-get install"

for f in /usr/lib/vst/SmallEQ.so /usr/bin/marvo-vst /usr/share/doc/marvo/README.md \
         /usr/share/doc/marvo/copyright /usr/share/man/man1/marvo-vst.1.gz /usr/lib/lv2/Marvo.lv2/manifest.ttl \
         /usr/lib/lv2/Marvo.lv2/Marvo.ttl /usr/lib/lv2/Marvo.lv2/marvo_lv2.so /usr/lib/lv2/Marvo.lv2/marvo_lv2_ui.so \
         /usr/lib/vst3/SmallEQ.vst3/Contents/x86_64-linux/SmallEQ.so \
         /usr/lib/vst3/SmallEQ.vst3/Contents/Resources/moduleinfo.json; do
  [ -f "$f" ] || fail "$f is missing"
done
# Every library the installed files link resolves, and the package declares the non-base ones.
for f in /usr/lib/vst/SmallEQ.so /usr/bin/marvo-vst; do
  if ldd "$f" | grep -q "not found"; then fail "$f links a library that is not there: $(ldd "$f")"; fi
done
depends=$(dpkg-query -W -f='${Depends}' marvo)
# libx11-6: the package ships the X11 build, whose editor shows in Linux hosts.
for lib in libsndfile1 libx11-6 libfreetype6 libstdc++6 libc6; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

info=$(/usr/bin/marvo-vst info /usr/lib/vst/SmallEQ.so) || fail "marvo-vst info failed"
[[ "$info" == *SmallEQ* ]] || fail "marvo-vst info does not name the plug-in: $info"

# The shipped preset through the installed plug-in: its bands' gains, without the player adapter's stage.
"$tones" make "$work/clip.wav" >/dev/null
/usr/bin/marvo-vst process /usr/lib/vst/SmallEQ.so "$work/clip.wav" "$work/out.wav" \
  --fxp "$here/presets/Marvo.fxp" || fail "marvo-vst process failed"
measured=$("$tones" measure "$work/clip.wav" "$work/out.wav")
gain() { awk -v tone="$1" '$1 " " $2 == tone { print $(NF-1) }' <<<"$measured"; }
check_gain() {
  local g
  g=$(gain "$1")
  awk -v g="$g" -v want="$2" 'BEGIN { exit !(g != "" && g - want < 0.5 && want - g < 0.5) }' ||
    fail "$1 gains '${g}' dB, expected $2 +- 0.5 dB:"$'\n'"$measured"
}
check_gain "100 Hz" 9
check_gain "1 kHz" -6
check_gain "3 kHz" 0

remove
installed && fail "the package is still installed after apt-get remove"
for f in /usr/lib/vst/SmallEQ.so /usr/bin/marvo-vst /usr/share/doc/marvo/README.md; do
  [ ! -e "$f" ] || fail "$f is left after removal"
done
echo "DebianPackageTest: installed, used and removed $(basename "$deb")"
