#!/usr/bin/env bash
# Makes what users install, into build/packages/:
#   Marvo-<version>-setup.exe   the Windows installer: dsp_Marvo.dll into the player's Plugins folder and,
#                               optionally, SmallEQ.dll 32- and 64-bit into the VST folders and the bundle
#                               SmallEQ.vst3 into the common VST3 folders
#   marvo_<version>_amd64.deb   the Debian package: SmallEQ.so in /usr/lib/vst, SmallEQ.vst3 in /usr/lib/vst3,
#                               marvo-vst in /usr/bin (all
#                               from the linux tree: the X11 platform layer, so the editor shows in Linux hosts)
# It sets up the machine (scripts/setup.sh) and builds what it needs of the linux, win32 and win64 trees.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset win64
cmake --build --preset win64 --target SmallEQ SmallEQ_vst3
cmake --preset win32
cmake --build --preset win32 --target installer
cmake --preset linux
cmake --build --preset linux
(cd build/linux && cpack -G DEB)

version=$(sed -n 's/^project(Marvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
echo
echo "Installer:      build/packages/Marvo-$version-setup.exe"
echo "Debian package: build/packages/marvo_${version}_amd64.deb"
