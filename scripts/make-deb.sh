#!/usr/bin/env bash
# make deb: builds the Debian package tarnwick_<version>_<arch>.deb with
# debhelper (dpkg-buildpackage -us -uc -b) from a copy of this checkout, so the
# checkout stays clean and the package lands in OUT_DIR; then lintian and the
# checks of the desktop entry and the AppStream metainfo.
#   scripts/make-deb.sh OUT_DIR
# DEB_BUILD_OPTIONS=nocheck skips the test suite during the package build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
src=$out/tarnwick

# What the build needs is what debian/control declares: every package of
# setup.sh's list but the ones every Debian build has (build-essential) and
# the run-time translations, which the package recommends.
needs=$(sed -n '/^packages=(/,/)/p' "$root/scripts/setup.sh" | tr -d '()' | sed 's/packages=//')
for need in $needs; do
  case "$need" in g++ | make | qt6-translations-l10n) continue ;; esac
  grep -qE "^ *(Build-Depends: *)?$need( |,|$)" "$root/debian/control" ||
    { echo "make-deb.sh: $need (scripts/setup.sh) is missing from Build-Depends in debian/control" >&2; exit 1; }
done

# The files git knows of, committed or not, but none it ignores (build folders).
rm -rf "$src" "$out"/tarnwick*_*.deb "$out"/tarnwick_*.buildinfo "$out"/tarnwick_*.changes
mkdir -p "$src"
(cd "$root" && git ls-files --cached --others --exclude-standard |
  while read -r file; do if [ -e "$file" ]; then echo "$file"; fi; done) >"$out/files"
tar -C "$root" -cf - -T "$out/files" | tar -C "$src" -xf -
rm "$out/files"

# Packagers' builds go without -Werror, whatever the caller's environment says.
(cd "$src" && env -u TARNWICK_WERROR dpkg-buildpackage -us -uc -b)
deb=$(ls "$out"/tarnwick_*.deb)
echo
echo "Built $deb"
dpkg-deb --info "$deb" | grep -E '^ (Version|Depends|Recommends|Installed-Size):'

echo "lintian:"
lintian --fail-on error --info "$out"/tarnwick_*.changes | sed 's/^/  /'
# What the package installs, checked as a software centre reads it.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
desktop-file-validate "$tmp"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$tmp"/usr/share/metainfo/*.metainfo.xml
rm -rf "$src"
