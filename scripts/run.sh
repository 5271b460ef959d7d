#!/usr/bin/env bash
# make run: converts the bundled sample catalogue with tarnwick-cli into a
# fresh folder and shows what it wrote.
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
  convert_sample
}

main "$@"
