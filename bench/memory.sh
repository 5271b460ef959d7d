#!/usr/bin/env bash
# Peak resident memory of `tarnwick-cli convert` on synthetic catalogues of
# 150 thousand, 1.5 million and 6 million orbit lines (about 30 MB, 300 MB and
# 1.2 GB). The conversion streams, so the three figures must be flat and each
# under 16 MB; the script fails otherwise.
#   bench/memory.sh [BUILD_DIR]        (default: build)
# Each catalogue is generated with tarnwick-gencat, converted once and deleted
# again, so at most one of them (and its two outputs) is on disk at a time.
# Environment: MEMORY_LINES overrides the list of line counts.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bin=$build/bin
limit_kib=$((16 * 1024))
for tool in tarnwick-cli tarnwick-gencat tarnwick-measure; do
  if [ ! -x "$bin/$tool" ]; then
    echo "bench/memory.sh: $bin/$tool is missing; build first (make build)" >&2
    exit 1
  fi
done

work=$(mktemp -d "$build/memory.XXXXXX")
trap 'rm -rf "$work"' EXIT

status=0
printf '%12s %12s %14s %12s\n' "lines" "catalogue" "peak memory" "seconds"
for lines in ${MEMORY_LINES:-150000 1500000 6000000}; do
  catalogue=$work/MPCORB-$lines.DAT
  "$bin/tarnwick-gencat" --lines "$lines" --seed 3 --output "$catalogue"
  mb=$(( $(stat -c %s "$catalogue") / 1000000 ))
  read -r seconds _ _ kib < <("$bin/tarnwick-measure" "$bin/tarnwick-cli" convert "$catalogue" -o "$work" -y)
  mark=""
  if [ "$kib" -ge "$limit_kib" ]; then mark="  OVER 16 MB"; status=1; fi
  printf '%12s %9s MB %10.1f MB %12s%s\n' "$lines" "$mb" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$seconds" "$mark"
  rm -f "$catalogue" "$work/Asteroids4.dat" "$work/AsteroidInfo4.dat"
done
exit $status
