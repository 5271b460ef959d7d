#!/usr/bin/env bash
# Renders the PNG icons of the sizes the hicolor theme expects from
# tarnwick.svg. The PNGs are committed, so that neither a build nor a package
# needs librsvg; run this after changing the SVG (scripts/setup.sh icons
# installs rsvg-convert).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" tarnwick.svg --output "tarnwick-$size.png"
done
