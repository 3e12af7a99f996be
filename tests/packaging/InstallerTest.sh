#!/usr/bin/env bash
# InstallerTest.sh INSTALLER SHIPPED BIN32 WORK: the Windows setup Marvo-<version>-setup.exe end to end in a
# 64-bit Wine prefix, run inside scripts/wine-session (WINEARCH=win64 WINEPREFIX=WORK/wineprefix). SHIPPED
# holds the dsp_Marvo.dll, SmallEQ.dll and SmallEQ.vst3 that setup ships (32/ and 64/); BIN32 marvo-play.exe and
# marvo-tones.exe.
#
# The scene: a player's folder with a space in its name, recorded where the player records it, and a VST
# folder recorded in each registry view. Setup with /D goes into another folder only; setup without it
# puts each library where it belongs and registers that installation; the stand-in player equalises a clip
# with the installed dsp_Marvo.dll and the folder's Marvo.fxp; while the player holds the library, setup and
# uninstaller refuse and change nothing; the older installation's uninstaller leaves the registered one
# alone; the registered quiet uninstall removes exactly what was installed and keeps the listener's state.
set -euo pipefail

fail() { echo "InstallerTest: $*" >&2; exit 1; }
[ $# -eq 4 ] || { echo "usage: InstallerTest.sh INSTALLER SHIPPED BIN32 WORK" >&2; exit 2; }
installer=$(realpath "$1") shipped=$(realpath "$2")/32 bin32=$(realpath "$3") work=$4
version=$(basename "$installer" | sed -n 's/^Marvo-\(.*\)-setup\.exe$/\1/p')
[ -n "$version" ] || fail "INSTALLER is not named Marvo-<version>-setup.exe: $1"
preset=$(cd "$(dirname "$0")/../.." && pwd)/presets/Marvo.fxp

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Marvo'
player_w='C:\Players\Test Player' other_w='C:\Players\Other Player' batch_w='C:\Players\run.bat'
vst32_w='C:\VST\Plugins 32' vst64_w='C:\VST\Plugins 64'
unix() { winepath -u "$1" | tr -d '\r'; }
setup_w=$(winepath -w "$installer" | tr -d '\r')
player=$(unix "$player_w") other=$(unix "$other_w") vst32=$(unix "$vst32_w") vst64=$(unix "$vst64_w")
vst3_32=$(unix 'C:\Program Files (x86)\Common Files\VST3\SmallEQ.vst3')
vst3_64=$(unix 'C:\Program Files\Common Files\VST3\SmallEQ.vst3')
appdata=$(unix "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Zentrova/Marvo

# reg_value KEY NAME [VIEW]: the value's data, empty when the key or the value is missing.
reg_value() {
  wine reg query "$1" /v "$2" ${3:+/reg:$3} 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
has_entry() { wine reg query "$uninstall_key" /reg:32 >/dev/null 2>&1; }
no_entry() { ! has_entry; }
gone() {
  for f in "$@"; do
    if [ -e "$f" ]; then return 1; fi
  done
}

# wait_for WHAT COMMAND...: the uninstaller hands over to a copy of itself and returns at once, so its
# effects are polled for, up to 60 s.
wait_for() {
  local what=$1; shift
  for _ in $(seq 60); do
    if "$@"; then return; fi
    sleep 1
  done
  fail "60 s on, still waiting for $what"
}

# pe_machine FILE: the COFF machine field (014c i386, 8664 x86-64) at the offset e_lfanew gives.
pe_machine() {
  local at
  at=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -t x2 -j $((at + 4)) -N 2 "$1" | tr -d ' '
}

# win COMMAND-LINE: runs a Windows command line as written, through a batch file: wine would quote every
# argument with a space, but /D= and _?= take the rest of the line unquoted. cmd waits for the program and
# ends with its exit code.
win() {
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$(unix "$batch_w")"
  wine cmd /c "$batch_w"
}

# install [FOLDER]: the silent setup, into FOLDER with /D, must succeed.
install() { win "\"$setup_w\" /S${1:+ /D=$1}" || fail "silent install${1:+ into $1} exited with $?"; }

# A fresh scene: the folders, the player's and the VST hosts' registry values, no earlier installation, and
# another plug-in in each of the two shared folders.
rm -rf "$work/clip.wav" "$work/out.wav" "$work/held.wav" "$work/held.txt" "$work/measured.txt" \
  "$(dirname "$player")" "$(dirname "$vst32")" "$appdata"
mkdir -p "$work" "$player/Plugins" "$vst64" "$appdata"
wine reg delete "$uninstall_key" /reg:32 /f >/dev/null 2>&1 || true
cp "$bin32/marvo-play.exe" "$player/"
cp "$preset" "$player/Marvo.fxp"
touch "$player/Plugins/dsp_other.dll" "$vst64/OtherVST.dll"
wine reg add 'HKCU\Software\Winamp' /ve /d "$player_w" /f >/dev/null
wine reg add 'HKLM\SOFTWARE\VST' /v VstPluginsPath /d "$vst32_w" /reg:32 /f >/dev/null
wine reg add 'HKLM\SOFTWARE\VST' /v VstPluginsPath /d "$vst64_w" /reg:64 /f >/dev/null

# --- /D: another player folder, not the recorded one --------------------------------------------------------
install "$other_w"
cmp -s "$shipped/dsp_Marvo.dll" "$other/Plugins/dsp_Marvo.dll" || fail "/D: no dsp_Marvo.dll in $other_w\\Plugins"
[ ! -e "$player/Plugins/dsp_Marvo.dll" ] || fail "/D: dsp_Marvo.dll went into the recorded folder as well"

# --- The folder the player recorded; its installation is now the registered one -----------------------------
install
cmp -s "$shipped/dsp_Marvo.dll" "$player/Plugins/dsp_Marvo.dll" || fail "Plugins\\dsp_Marvo.dll is not the built one"
cmp -s "$shipped/SmallEQ.dll" "$vst32/SmallEQ.dll" ||
  fail "no (or another) SmallEQ.dll in the 32-bit view's VST folder"
[ -f "$vst64/SmallEQ.dll" ] || fail "the 64-bit view's VST folder has no SmallEQ.dll"
[ "$(pe_machine "$vst32/SmallEQ.dll")" = 014c ] || fail "the 32-bit VST folder's SmallEQ.dll is not i386"
[ "$(pe_machine "$vst64/SmallEQ.dll")" = 8664 ] || fail "the 64-bit VST folder's SmallEQ.dll is not x86-64"
cmp -s "$shipped/SmallEQ.vst3" "$vst3_32/Contents/x86-win/SmallEQ.vst3" ||
  fail "no (or another) SmallEQ.vst3 in the 32-bit common VST3 folder's bundle"
[ "$(pe_machine "$vst3_64/Contents/x86_64-win/SmallEQ.vst3")" = 8664 ] ||
  fail "the 64-bit common VST3 folder's bundle has no x86-64 SmallEQ.vst3"
[ -f "$vst3_32/Contents/Resources/moduleinfo.json" ] && [ -f "$vst3_64/Contents/Resources/moduleinfo.json" ] ||
  fail "a VST 3 bundle has no moduleinfo.json"
[ -f "$player/Plugins/Marvo-uninstall.exe" ] || fail "no uninstaller in the Plugins folder"
[ "$(reg_value 'HKLM\SOFTWARE\VST' VstPluginsPath 32)" = "$vst32_w" ] &&
  [ "$(reg_value 'HKLM\SOFTWARE\VST' VstPluginsPath 64)" = "$vst64_w" ] || fail "setup changed VstPluginsPath"
for entry in "DisplayName=Marvo equaliser" "DisplayVersion=$version" "Publisher=Zentrova creations" \
    "InstallLocation=$player_w" "UninstallString=\"$player_w\\Plugins\\Marvo-uninstall.exe\"" \
    "QuietUninstallString=\"$player_w\\Plugins\\Marvo-uninstall.exe\" /S" "NoModify=0x1" "NoRepair=0x1"; do
  got=$(reg_value "$uninstall_key" "${entry%%=*}" 32)
  [ "$got" = "${entry#*=}" ] || fail "uninstall entry ${entry%%=*} is '$got', expected '${entry#*=}'"
done
[[ $(reg_value "$uninstall_key" EstimatedSize 32) =~ ^0x[0-9a-f]+$ ]] ||
  fail "the uninstall entry has no EstimatedSize"
[ -z "$(reg_value "$uninstall_key" DisplayName 64)" ] || fail "the uninstall entry is in the 64-bit view as well"

# The stand-in player loads the installed library, which plays the folder's Marvo.fxp.
cd "$work"
wine "$bin32/marvo-tones.exe" make clip.wav >/dev/null || fail "marvo-tones make failed"
wine "$player/marvo-play.exe" "$player_w\\Plugins\\dsp_Marvo.dll" clip.wav out.wav >/dev/null ||
  fail "marvo-play with the installed dsp_Marvo.dll exited with $?"
wine "$bin32/marvo-tones.exe" measure clip.wav out.wav | tr -d '\r' >measured.txt || fail "marvo-tones measure: $?"
for tone in "100 Hz=8.5" "1 kHz=-6.3"; do
  gain=$(sed -n "s/^${tone%=*}  *[-0-9.]* dBFS  *[-0-9.]* dBFS  *\([-+0-9.]*\) dB.*/\1/p" measured.txt)
  awk -v g="$gain" -v e="${tone#*=}" 'BEGIN { exit !(g != "" && g - e <= 0.5 && e - g <= 0.5) }' ||
    fail "${tone%=*} gains '$gain' dB through the installed plug-in, expected ${tone#*=} +- 0.5 dB:
$(cat measured.txt)"
done

# While the player holds the library, silent setup and uninstaller (in place: _?=) fail with exit code 2 and
# change nothing. With its window open the player plays in real time until it is ended, and says so once
# the library is loaded.
wine "$player/marvo-play.exe" "$player_w\\Plugins\\dsp_Marvo.dll" clip.wav held.wav --show >held.txt 2>&1 &
holder=$!
for _ in $(seq 60); do
  if grep -q "playing in real time" held.txt; then break; fi
  kill -0 $holder 2>/dev/null || fail "marvo-play --show ended early: $(cat held.txt)"
  sleep 0.5
done
grep -q "playing in real time" held.txt || fail "marvo-play --show did not start playing: $(cat held.txt)"
rc=0; win "\"$setup_w\" /S" || rc=$?
rc_un=0; win "\"$player_w\\Plugins\\Marvo-uninstall.exe\" /S _?=$player_w\\Plugins" || rc_un=$?
kill $holder; wait $holder 2>/dev/null || true
[ $rc = 2 ] || fail "setup exited with $rc while the player held dsp_Marvo.dll, expected 2"
[ $rc_un = 2 ] || fail "the uninstaller exited with $rc_un while the player held dsp_Marvo.dll, expected 2"
cmp -s "$shipped/dsp_Marvo.dll" "$player/Plugins/dsp_Marvo.dll" && [ -f "$vst32/SmallEQ.dll" ] && has_entry ||
  fail "setup or uninstaller changed the installation while the player held dsp_Marvo.dll"
install   # once the player has gone, over the existing installation

# --- The /D installation's uninstaller: its own files go, the registered installation's stay --------------
wine "$other/Plugins/Marvo-uninstall.exe" /S || fail "the /D installation's uninstaller exited with $?"
wait_for "the /D installation's emptied Plugins folder to go" gone "$other/Plugins"
[ -f "$vst32/SmallEQ.dll" ] && [ -f "$vst64/SmallEQ.dll" ] && [ -f "$player/Plugins/dsp_Marvo.dll" ] &&
  [ "$(reg_value "$uninstall_key" InstallLocation 32)" = "$player_w" ] ||
  fail "the /D installation's uninstaller removed files or the entry of the registered installation"

# --- The registered quiet uninstall -------------------------------------------------------------------------
# The listener's state, made only now: the plug-in would load the copy in %APPDATA% first and remove it at
# Quit.
cp "$preset" "$player/Marvo.fxp.rejected"
cp "$preset" "$appdata/Marvo.fxp"
wine reg add 'HKCU\Software\Zentrova\Marvo' /v InstallerTest /d kept /f >/dev/null
command=$(reg_value "$uninstall_key" QuietUninstallString 32)
[[ $command =~ ^\"([^\"]+)\"\ /S$ ]] && wine "$(unix "${BASH_REMATCH[1]}")" /S ||
  fail "the registered quiet uninstall '$command' failed"
wait_for "the uninstall to remove the installed files" gone "$player/Plugins/dsp_Marvo.dll" \
  "$player/Plugins/Marvo-uninstall.exe" "$player/Plugins/Marvo-README.txt" "$vst32" "$vst64/SmallEQ.dll" \
  "$vst3_32" "$vst3_64"
wait_for "the uninstall to remove the entry" no_entry
[ -f "$player/Plugins/dsp_other.dll" ] && [ -f "$vst64/OtherVST.dll" ] ||
  fail "the uninstall removed others' plug-ins"
for kept in "$player/Marvo.fxp" "$player/Marvo.fxp.rejected" "$appdata/Marvo.fxp"; do
  [ "$(head -c 4 "$kept" 2>/dev/null)" = CcnK ] || fail "the uninstall removed or spoilt $kept"
done
wine reg query 'HKCU\Software\Zentrova\Marvo' >/dev/null 2>&1 ||
  fail "the uninstall removed HKCU\\Software\\Zentrova\\Marvo"
echo "InstallerTest: passed"
