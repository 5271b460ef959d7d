#!/usr/bin/env bash
# Renders the PNG icons of the sizes the hicolor theme expects: 16 to 24
# pixels from tarnwick-small.svg (drawn on the pixel grid, legible at that
# size), the larger ones from tarnwick.svg. The PNGs are committed, so that
# neither a build nor a package needs librsvg; the desktop program's window
# and about box use the same files. Run this after changing an SVG
# (scripts/setup.sh icons installs rsvg-convert).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  source=tarnwick.svg
  [ "$size" -le 24 ] && source=tarnwick-small.svg
  rsvg-convert --width "$size" --height "$size" "$source" --output "tarnwick-$size.png"
done
