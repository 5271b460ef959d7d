#!/usr/bin/env bash
# make run: starts the desktop program when there is a display; otherwise
# converts the bundled sample catalogue with tarnwick-cli into a fresh folder
# and shows what it wrote.
#   scripts/run.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
sample=$root/samples/MPCORB.DAT

# Converts the sample into BUILD_DIR/run-output (emptied first) and prints the
# sizes, record counts and first records of both files.
convert_sample() {
  local cli=$build/bin/tarnwick-cli
  local out=$build/run-output
  rm -rf "$out"
  mkdir -p "$out"

  echo "Converting $sample"
  echo "  into $out"
  echo
  "$cli" convert "$sample" -o "$out" -y
  echo

  local file size record_size
  for file in Asteroids4.dat AsteroidInfo4.dat; do
    size=$(stat -c %s "$out/$file")
    if [ "$file" = Asteroids4.dat ]; then record_size=113; else record_size=45; fi
    echo "$file: $size bytes, $((size / record_size)) records of $record_size bytes; the first ones:"
    # head leaves early; the broken pipe (status 141) is expected.
    { "$cli" dump "$out/$file" || [ $? -eq 141 ]; } | head -n 4 | sed 's/^/  /'
    echo
  done
  echo "See every record with: $cli dump $out/Asteroids4.dat"
}

main() {
  local gui=$build/bin/Tarnwick
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$gui" ]; then
    echo "Starting the desktop program $gui"
    echo "  On its first start it reads and writes in $build/bin, where the build put"
    echo "  the sample catalogue as MPCORB.DAT; later starts use the directories chosen last."
    exec "$gui"
  fi
  if [ -x "$gui" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the desktop program"
    echo "cannot start; converting the sample with tarnwick-cli instead."
  else
    echo "The desktop program is not built (TARNWICK_GUI=OFF); converting the sample with"
    echo "tarnwick-cli."
  fi
  echo
  convert_sample
}

main "$@"
