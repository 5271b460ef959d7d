#!/usr/bin/env bash
# Installs the Debian packages a build needs, when they are missing.
#   scripts/setup.sh [extra-group...]   groups: fuzz lint bench
# As root it installs them; otherwise through sudo (non-interactive). Without
# either it prints the command to run and fails.
set -euo pipefail

# Compilers and build tools, tests, the command line, the decompressing input
# (gzip through ISA-L, ZIP through libarchive), the desktop program, its
# German texts (Qt's LinguistTools) and Qt's own translations, and the X
# server its tests run on (xvfb-run needs xauth).
packages=(g++ cmake ninja-build make locales libgtest-dev libgmock-dev libcli11-dev
  libisal-dev libarchive-dev qt6-base-dev libgl-dev qt6-translations-l10n
  qt6-tools-dev qt6-l10n-tools xvfb xauth)
for group in "$@"; do
  case "$group" in
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    lint) packages+=(clang-tidy clang-format) ;;
    bench) packages+=(isal libarchive-tools) ;;  # igzip and bsdtar, the yardsticks
    *) echo "setup.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

install=(apt-get install -y -qq --no-install-recommends "${missing[@]}")
if [ "$(id -u)" -eq 0 ]; then
  run=(env DEBIAN_FRONTEND=noninteractive)
elif command -v sudo >/dev/null; then
  run=(sudo env DEBIAN_FRONTEND=noninteractive)
else
  {
    echo "setup.sh: these Debian packages are missing: ${missing[*]}"
    echo "Installing them needs root. As root, run:"
    echo "  apt-get update && DEBIAN_FRONTEND=noninteractive ${install[*]}"
    echo "then run make again."
  } >&2
  exit 1
fi
echo "Installing missing packages: ${missing[*]}"
"${run[@]}" apt-get update -qq
"${run[@]}" "${install[@]}"
