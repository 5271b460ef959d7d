#!/usr/bin/env bash
# Installs the Debian packages a build needs, when they are missing.
#   scripts/setup.sh [extra-group...]   groups: fuzz lint
set -euo pipefail

packages=(g++ cmake ninja-build make locales libgtest-dev libgmock-dev libcli11-dev qt6-base-dev libgl-dev)
for group in "$@"; do
  case "$group" in
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    lint) packages+=(clang-tidy clang-format) ;;
    *) echo "setup.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "setup.sh: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
