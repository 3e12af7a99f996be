#!/usr/bin/env bash
# Installs, idempotently, every Debian package the two builds and their tests need.
# Runs as root, or through sudo otherwise.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  build-essential cmake ninja-build clang pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libpng-dev fonts-dejavu-core
  g++-mingw-w64-i686-posix mingw-w64-i686-dev g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev nsis
  wine wine32:i386 wine64 fonts-liberation fonts-wine xvfb xauth x11-apps
  libsndfile1-dev libcli11-dev nlohmann-json3-dev libeigen3-dev lsp-plugins-vst zam-plugins dpf-plugins-vst
  libx11-dev libxext-dev libxfixes-dev libxtst-dev x11-utils xdotool
  lv2-dev lilv-utils sordi jalv jackd2 pipewire-bin
  ardour
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ "${#missing[@]}" -gt 0 ] || [ "${need_update:-0}" = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails one index now and then: try again, and finally go on with what was
  # fetched (the install below then says what it could not find).
  for attempt in 1 2 3; do
    if $SUDO apt-get update -q; then break; fi
    echo "setup: apt-get update failed (attempt $attempt)" >&2
    sleep $((attempt * 10))
  done
fi
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# 32-bit Wine: on kernels that refuse 32-bit programs, run its loader through qemu-user.
"$(dirname "$0")/wine-bootstrap.sh"
echo "setup: all packages present"
