#!/usr/bin/env bash
# Checks that the README's quick start names exactly the Debian packages that
# scripts/setup.sh installs for a build, in the same order.
#   scripts/check-readme-needs.sh [SOURCE_DIR]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
# setup.sh's first packages=( ... ) list, joined by single blanks.
list=$(sed -n '/^packages=(/,/)/p' "$root/scripts/setup.sh" | tr '\n' ' ' |
  sed -e 's/^packages=(//' -e 's/).*//' | tr -s ' ' | sed -e 's/^ //' -e 's/ $//')
readme=$(tr '\n' ' ' <"$root/README.md" | tr -s ' ')
if ! grep -qF -- "\`$list\`" <<<"$readme"; then
  echo "README.md does not list what scripts/setup.sh installs: \`$list\`" >&2
  exit 1
fi
echo "README.md lists setup.sh's $(wc -w <<<"$list") packages"
