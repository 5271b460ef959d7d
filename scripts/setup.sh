#!/usr/bin/env bash
# Installs the Debian packages a build needs, when they are missing.
#   scripts/setup.sh [extra-group...]   groups: fuzz lint bench deb icons
# As root it installs them; otherwise through sudo. Without sudo, or when sudo
# refuses, it prints the command to run as root and fails.
set -euo pipefail

# Compilers and build tools, tests (python3 and openssl serve update's tests a
# local HTTPS server), the command line, the decompressing input (gzip through
# ISA-L, found by pkg-config; ZIP through libarchive), the download (libcurl),
# the desktop program (libxcb: can its X server be reached before Qt starts),
# its German texts (Qt's LinguistTools) and Qt's own translations, and the X
# server its tests run on (xvfb-run needs xauth), and zlib, against which the
# tests check the decompressing input.
# The README's list of needs is this one.
packages=(g++ cmake ninja-build make pkg-config locales libgtest-dev libgmock-dev libcli11-dev
  libisal-dev libarchive-dev libcurl4-openssl-dev python3 openssl qt6-base-dev libgl-dev
  libxcb1-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools xvfb xauth zlib1g-dev)
for group in "$@"; do
  case "$group" in
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    lint) packages+=(clang-tidy clang-format mandoc groff-base) ;;  # and the man pages' checkers
    bench) packages+=(isal libarchive-tools curl) ;;  # igzip, bsdtar and curl, the yardsticks
    # make deb: the Debian package and the checks of what it installs
    deb) packages+=(build-essential debhelper dpkg-dev lintian desktop-file-utils appstream) ;;
    icons) packages+=(librsvg2-bin) ;;  # rsvg-convert for dist/icons/render.sh
    *) echo "setup.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

install=(apt-get install -y -qq --no-install-recommends "${missing[@]}")
# What to run as root when this script cannot install the packages itself.
as_root_hint() {
  {
    echo "setup.sh: these Debian packages are missing: ${missing[*]}"
    echo "Installing them needs root. As root, run:"
    echo "  apt-get update && DEBIAN_FRONTEND=noninteractive ${install[*]}"
    echo "then run make again."
  } >&2
  exit 1
}
if [ "$(id -u)" -eq 0 ]; then
  run=(env DEBIAN_FRONTEND=noninteractive)
elif command -v sudo >/dev/null; then
  run=(sudo env DEBIAN_FRONTEND=noninteractive)
else
  as_root_hint
fi
echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  # A user who may not use sudo (or gives no password) gets sudo's refusal
  # and then the way on.
  sudo -v || as_root_hint
fi
"${run[@]}" apt-get update -qq
"${run[@]}" "${install[@]}"
