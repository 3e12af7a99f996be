#!/usr/bin/env bash
# Makes plain `wine prog.exe` work for 32-bit (i686) Windows programs on a
# Debian 12 (bookworm) amd64 machine, including machines whose kernel cannot
# execute 32-bit ELF binaries (ia32 emulation disabled, execve -> ENOEXEC).
#
# On such a kernel the i386 Wine loader (wine32:i386) is run through QEMU's
# user-mode emulator, registered with binfmt_misc for i386 ELF files with the
# F (fix binary) flag. bookworm's qemu 7.2 is unusable for this (minutes per
# process and crashes in thread creation), so qemu-user 10.x is taken from
# bookworm-backports. The 64-bit wineserver (package wine64) runs natively, so
# only the Wine client processes are emulated.
#
# Idempotent, non-interactive, runs as root (or through sudo otherwise).
# Environment knobs:
#   WINE_BOOTSTRAP_FORCE_QEMU=1   register qemu even if 32-bit ELF runs natively
#   WINE_BOOTSTRAP_UNDO=1         the same as --undo
# --undo: undoes a forced emulation. Where the kernel runs 32-bit programs itself, the qemu entry (and its
# boot-time rule) is removed, leaving 32-bit Wine native again; where it cannot, the entry is kept (and
# registered if missing). Installed packages stay.
set -euo pipefail

undo="${WINE_BOOTSTRAP_UNDO:-0}"
case "${1:-}" in
  --undo) undo=1 ;;
  "") ;;
  *) echo "usage: $0 [--undo]" >&2; exit 2 ;;
esac

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

log() { echo "wine-bootstrap: $*" >&2; }

BINFMT_DIR=/proc/sys/fs/binfmt_misc
BINFMT_NAME=qemu-i386
QEMU_BIN=/usr/bin/qemu-i386
# A name ending in -binfmt-P tells Debian's qemu that binfmt_misc passes argv[0]
# unchanged (the P flag); the symlink is ours, outside the packages' files.
QEMU_INTERP=/usr/local/libexec/qemu-binfmt/i386-binfmt-P
I386_MAGIC='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
BACKPORTS_FILE=/etc/apt/sources.list.d/bookworm-backports.sources
BINFMT_CONF=/etc/binfmt.d/qemu-i386-wine.conf
QEMU_STAMP=/var/lib/wine-bootstrap.qemu-stamp

# Whether the kernel runs 32-bit ELF programs itself. Judged in a user namespace with a binfmt_misc of its
# own (Linux >= 6.7), so the machine's qemu entry stays in place for Wine programs running meanwhile; where
# that is not possible, the entry is removed for the probe (the caller registers it again when needed).
native_32bit_runs() {
  local r
  r="$(unshare --user --map-root-user --mount sh -c "mount -t binfmt_misc binfmt_misc $BINFMT_DIR || exit 3
        if /lib/ld-linux.so.2 --version; then echo yes; else echo no; fi" 2>/dev/null | tail -n 1)" || true
  case "$r" in
    yes) return 0 ;;
    no) return 1 ;;
  esac
  if [ -e "$BINFMT_DIR/$BINFMT_NAME" ]; then
    echo -1 | $SUDO tee "$BINFMT_DIR/$BINFMT_NAME" >/dev/null
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# ---------------------------------------------------------------- undo
if [ "$undo" = 1 ]; then
  WINE_BOOTSTRAP_FORCE_QEMU=0
  if ! mountpoint -q "$BINFMT_DIR"; then
    $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT_DIR"
  fi
  if native_32bit_runs; then
    if [ -e "$BINFMT_DIR/$BINFMT_NAME" ]; then
      echo -1 | $SUDO tee "$BINFMT_DIR/$BINFMT_NAME" >/dev/null
    fi
    $SUDO rm -f "$BINFMT_CONF" "$QEMU_STAMP"
    log "undo: 32-bit ELF binaries run natively; the qemu entry is removed"
    exit 0
  fi
  log "undo: 32-bit ELF execution is disabled in this kernel; qemu-user stays registered"
fi

# ---------------------------------------------------------------- packages
apt_updated=0
apt_update() {
  if [ "$apt_updated" = 0 ]; then
    $SUDO apt-get update -q
    apt_updated=1
  fi
}
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
installed_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || true; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  apt_updated=0
fi

base_missing=()
for p in wine wine32:i386 wine64 xvfb xauth; do
  installed "$p" || base_missing+=("$p")
done
if [ "${#base_missing[@]}" -gt 0 ]; then
  apt_update
  $SUDO apt-get install -y -q --no-install-recommends "${base_missing[@]}"
fi

# ---------------------------------------------------------------- native test
binfmt_entry_ok() {
  [ -r "$BINFMT_DIR/$BINFMT_NAME" ] &&
    grep -qx enabled "$BINFMT_DIR/$BINFMT_NAME" &&
    grep -qx "interpreter $QEMU_INTERP" "$BINFMT_DIR/$BINFMT_NAME" &&
    grep -q '^flags: .*F' "$BINFMT_DIR/$BINFMT_NAME"
}

if ! mountpoint -q "$BINFMT_DIR"; then
  $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT_DIR"
fi

if binfmt_entry_ok; then
  need_qemu=1
elif [ "${WINE_BOOTSTRAP_FORCE_QEMU:-0}" = 1 ]; then
  need_qemu=1
else
  # Only judge native 32-bit execution when no i386 handler is registered.
  if [ -e "$BINFMT_DIR/$BINFMT_NAME" ]; then
    echo -1 | $SUDO tee "$BINFMT_DIR/$BINFMT_NAME" >/dev/null
  fi
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    need_qemu=0
    log "32-bit ELF binaries run natively; no emulator needed"
  else
    need_qemu=1
    log "32-bit ELF execution is disabled in this kernel; using qemu-user"
  fi
fi

# ---------------------------------------------------------------- qemu-user
if [ "$need_qemu" = 1 ]; then
  # qemu-user >= 9.1 ships static binaries; bookworm's 7.2 is too slow for Wine.
  qv="$(installed_version qemu-user)"
  if ! installed qemu-user || dpkg --compare-versions "$qv" lt 1:9.1; then
    if [ ! -f "$BACKPORTS_FILE" ] && ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      $SUDO tee "$BACKPORTS_FILE" >/dev/null <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
      apt_updated=0
    fi
    apt_update
    # The old bookworm qemu-user-static (7.2) conflicts with qemu-user >= 9.1.
    if installed qemu-user-static && dpkg --compare-versions "$(installed_version qemu-user-static)" lt 1:9.1; then
      $SUDO apt-get remove -y -q qemu-user-static
    fi
    $SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
  fi
  if [ ! -x "$QEMU_BIN" ]; then
    log "error: $QEMU_BIN missing after installing qemu-user"; exit 1
  fi

  $SUDO mkdir -p "$(dirname "$QEMU_INTERP")"
  if [ "$(readlink "$QEMU_INTERP" 2>/dev/null || true)" != "$QEMU_BIN" ]; then
    $SUDO ln -sfn "$QEMU_BIN" "$QEMU_INTERP"
  fi

  # With the F flag the kernel opens the interpreter at registration time, so
  # re-register whenever the qemu binary behind it changed (package upgrade).
  stamp=$QEMU_STAMP
  cur="$(stat -Lc '%i %s %Y' "$QEMU_BIN")"
  if binfmt_entry_ok && [ "$(cat "$stamp" 2>/dev/null || true)" = "$cur" ]; then
    :
  else
    if [ -e "$BINFMT_DIR/$BINFMT_NAME" ]; then
      echo -1 | $SUDO tee "$BINFMT_DIR/$BINFMT_NAME" >/dev/null
    fi
    # Flags: O (open binary), P (preserve argv[0]), F (fix binary: interpreter
    # usable from any mount namespace / chroot).
    printf ':%s:M::%s:%s:%s:OPF\n' "$BINFMT_NAME" "$I386_MAGIC" "$I386_MASK" "$QEMU_INTERP" |
      $SUDO tee "$BINFMT_DIR/register" >/dev/null
    echo "$cur" | $SUDO tee "$stamp" >/dev/null
  fi
  # Same rule for boots driven by systemd-binfmt.
  if [ -d /etc/binfmt.d ] || $SUDO mkdir -p /etc/binfmt.d; then
    conf="$(printf ':%s:M::%s:%s:%s:OPF' "$BINFMT_NAME" "$I386_MAGIC" "$I386_MASK" "$QEMU_INTERP")"
    if [ "$(cat "$BINFMT_CONF" 2>/dev/null || true)" != "$conf" ]; then
      echo "$conf" | $SUDO tee "$BINFMT_CONF" >/dev/null
    fi
  fi

  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    log "error: i386 ELF still does not run through $QEMU_INTERP"; exit 1
  fi
fi

if [ ! -x /usr/lib/wine/wineserver64 ]; then
  log "warning: no 64-bit wineserver; the 32-bit one will be emulated"
fi
log "ok: $(wine --version 2>/dev/null || echo 'wine not runnable')"
