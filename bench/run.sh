#!/usr/bin/env bash
# The conversion benchmark: converts a full-size synthetic catalogue
# (1.5 million orbit lines, about 300 MB) and compares the time with reading
# the same page-cached file with cat.
#   bench/run.sh [BUILD_DIR]        (make bench)
# Environment: BENCH_LINES (default 1500000), BENCH_RUNS (default 5).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
lines=${BENCH_LINES:-1500000}
runs=${BENCH_RUNS:-5}
bin=$build/bin
for tool in tarnwick-cli tarnwick-gencat tarnwick-measure; do
  if [ ! -x "$bin/$tool" ]; then
    echo "bench/run.sh: $bin/$tool is missing; build first (make build)" >&2
    exit 1
  fi
done

data=$root/bench/data
catalogue=$data/MPCORB-$lines.DAT
mkdir -p "$data"
if [ ! -s "$catalogue" ]; then
  echo "Generating $catalogue ($lines orbit lines) once..."
  "$bin/tarnwick-gencat" --lines "$lines" --seed 1 --output "$catalogue.part"
  mv "$catalogue.part" "$catalogue"
fi

out=$build/bench-output
rm -rf "$out"
mkdir -p "$out"

bytes=$(stat -c %s "$catalogue")
cat "$catalogue" > /dev/null   # into the page cache
load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo 0)   # other work on the machine

# cat is quick and noisy: give it three times the runs.
read -r cat_s cat_kib < <("$bin/tarnwick-measure" $((runs * 3)) cat "$catalogue")
read -r conv_s conv_kib < <("$bin/tarnwick-measure" "$runs" "$bin/tarnwick-cli" convert "$catalogue" -o "$out" -y)

records=$(( $(stat -c %s "$out/Asteroids4.dat") / 113 ))
if [ "$records" -ne "$lines" ]; then
  echo "bench/run.sh: expected $lines records, got $records" >&2
  exit 1
fi

awk -v bytes="$bytes" -v lines="$lines" -v runs="$runs" \
    -v cat_s="$cat_s" -v conv_s="$conv_s" -v conv_kib="$conv_kib" -v load="$load" -v cpus="$(nproc)" '
BEGIN {
  mb = bytes / 1e6
  ratio = conv_s / cat_s
  peak = conv_kib / 1024
  printf "catalogue   %d orbit lines, %.1f MB (page-cached)\n", lines, mb
  printf "cat         %.3f s  (best of %d)\n", cat_s, runs * 3
  printf "convert     %.3f s  (best of %d)\n", conv_s, runs
  printf "throughput  %.0f lines/s, %.0f MB/s\n", lines / conv_s, mb / conv_s
  printf "peak memory %.1f MiB (maximum resident set size)\n", peak
  printf "ratio       %.1f x cat\n", ratio
  printf "targets     ratio <= 12: %s, peak memory < 16 MiB: %s\n", \
    (ratio <= 12 ? "met" : "MISSED"), (peak < 16 ? "met" : "MISSED")
  if (load + 0 > cpus)
    printf "note        load average %s on %d processors: the times are pessimistic\n", load, cpus
}'
