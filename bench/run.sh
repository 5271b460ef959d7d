#!/usr/bin/env bash
# The conversion benchmark (make bench): converts a full-size synthetic
# catalogue (1.5 million orbit lines, about 300 MB) as plain text, gzip and
# ZIP, and sets each time beside what the same bytes cost anyway, measured in
# the same rounds:
#   floor   read the catalogue once, write the two files' sizes into two new
#           files in that folder, in 1 MiB blocks (tarnwick-floor)
#   cat     read the catalogue
#   igzip   igzip -dc MPCORB.DAT.gz > /dev/null
#   bsdtar  bsdtar -xOf MPCORB.ZIP > /dev/null
# The conversions: plain text into a new folder (plain), then over the pair it
# made (replace), gzip and ZIP over an existing pair too (the everyday
# refresh). Targets: replace <= 1.3 x plain, gzip <= 1.25 x igzip, ZIP <= 1.15
# x (bsdtar + plain), peak memory < 16 MiB for every form.
# Every round runs each command once (paired runs); the figures are the median,
# minimum and maximum over the rounds, the ratios the median of each round's
# ratio. Outputs of an earlier run are removed and the disk is synced before
# the clock starts, never inside the timed region.
#   bench/run.sh [BUILD_DIR]
# Environment: BENCH_LINES (default 1500000), BENCH_RUNS (rounds, default 5),
# BENCH_CLI (the converter to measure, default BUILD_DIR/bin/tarnwick-cli),
# BENCH_BEFORE (an earlier converter: its plain, replace and gzip runs join
# every round as before-plain, before-replace and before-gzip, for
# before/after figures from one call).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
lines=${BENCH_LINES:-1500000}
runs=${BENCH_RUNS:-5}
bin=$build/bin
cli=${BENCH_CLI:-$bin/tarnwick-cli}
for tool in "$cli" "$bin/tarnwick-gencat" "$bin/tarnwick-measure" "$bin/tarnwick-floor"; do
  if [ ! -x "$tool" ]; then
    echo "bench/run.sh: $tool is missing; build first (make build)" >&2
    exit 1
  fi
done
for tool in igzip bsdtar gzip; do
  command -v "$tool" > /dev/null || { echo "bench/run.sh: $tool is missing (make setup)" >&2; exit 1; }
done

# The catalogue and its two compressed forms, made once.
data=$root/bench/data
catalogue=$data/MPCORB-$lines.DAT
mkdir -p "$data"
if [ ! -s "$catalogue" ]; then
  echo "Generating $catalogue ($lines orbit lines) once..."
  "$bin/tarnwick-gencat" --lines "$lines" --seed 1 --output "$catalogue.part"
  mv "$catalogue.part" "$catalogue"
fi
if [ ! -s "$catalogue.gz" ] || [ "$catalogue.gz" -ot "$catalogue" ]; then
  echo "Compressing it once with gzip -6, as the published catalogue is..."
  gzip -6 -c "$catalogue" > "$catalogue.gz.part" && mv "$catalogue.gz.part" "$catalogue.gz"
fi
zip=$data/MPCORB-$lines.ZIP
if [ ! -s "$zip" ] || [ "$zip" -ot "$catalogue" ]; then
  echo "Packing it once into a ZIP archive..."
  stage=$(mktemp -d "$data/zip.XXXXXX")
  ln "$catalogue" "$stage/MPCORB.DAT" 2> /dev/null || cp "$catalogue" "$stage/MPCORB.DAT"
  bsdtar --format zip -cf "$zip.part" -C "$stage" MPCORB.DAT && mv "$zip.part" "$zip"
  rm -rf "$stage"
fi

out=$build/bench-output
times=$out/times
rm -rf "$out"
mkdir -p "$out"
trap 'rm -rf "$out/convert" "$out/floor"' EXIT
cat "$catalogue" "$catalogue.gz" "$zip" > /dev/null   # into the page cache

# First conversion: checks the record count and gives the output sizes for the floor.
mkdir -p "$out/convert"
"$cli" convert "$catalogue" -o "$out/convert" -y > /dev/null
orbit_bytes=$(stat -c %s "$out/convert/Asteroids4.dat")
info_bytes=$(stat -c %s "$out/convert/AsteroidInfo4.dat")
if [ $((orbit_bytes / 113)) -ne "$lines" ]; then
  echo "bench/run.sh: expected $lines records, got $((orbit_bytes / 113))" >&2
  exit 1
fi

# measure NAME COMMAND...: one timed run, appended to $times as "NAME ROUND WALL USER SYS KIB".
measure() {
  local name=$1
  shift
  sync
  echo "$name $round $("$bin/tarnwick-measure" "$@")" >> "$times"
}
fresh() { rm -rf "$out/$1" && mkdir -p "$out/$1"; }

load_before=$(cut -d' ' -f1 /proc/loadavg)
for round in $(seq 1 "$runs"); do
  measure cat cat "$catalogue"
  fresh floor
  measure floor "$bin/tarnwick-floor" "$catalogue" "$out/floor/Asteroids4.dat" "$orbit_bytes" \
    "$out/floor/AsteroidInfo4.dat" "$info_bytes"
  fresh convert
  measure plain "$cli" convert "$catalogue" -o "$out/convert" -y
  measure replace "$cli" convert "$catalogue" -o "$out/convert" -y
  if [ -n "${BENCH_BEFORE:-}" ]; then
    fresh convert
    measure before-plain "$BENCH_BEFORE" convert "$catalogue" -o "$out/convert" -y
    measure before-replace "$BENCH_BEFORE" convert "$catalogue" -o "$out/convert" -y
  fi
  measure igzip igzip -dc "$catalogue.gz"
  measure gzip "$cli" convert "$catalogue.gz" -o "$out/convert" -y
  if [ -n "${BENCH_BEFORE:-}" ]; then
    measure before-gzip "$BENCH_BEFORE" convert "$catalogue.gz" -o "$out/convert" -y
  fi
  measure bsdtar bsdtar -xOf "$zip"
  measure zip "$cli" convert "$zip" -o "$out/convert" -y
done
load_after=$(cut -d' ' -f1 /proc/loadavg)

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "machine     $cpu, $(nproc) cores, $(uname -sr), $(df -T "$out" | awk 'NR == 2 { print $2 }') output folder"
awk -v lines="$lines" -v runs="$runs" -v bytes="$(stat -c %s "$catalogue")" \
    -v gz="$(stat -c %s "$catalogue.gz")" -v zipbytes="$(stat -c %s "$zip")" \
    -v load="$load_before/$load_after" -v cpus="$(nproc)" '
function median(name, field,   n, i, v, key, t) {
  n = 0
  for (i = 1; i <= runs; i++) v[++n] = value[name, i, field]
  for (i = 2; i <= n; i++) { t = v[i]; for (key = i - 1; key >= 1 && v[key] > t; key--) v[key + 1] = v[key]; v[key + 1] = t }
  return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
function extreme(name, sign,   i, best) {
  best = value[name, 1, 1]
  for (i = 2; i <= runs; i++) if (sign * value[name, i, 1] > sign * best) best = value[name, i, 1]
  return best
}
function peak(name,   i, p) { p = 0; for (i = 1; i <= runs; i++) if (value[name, i, 4] > p) p = value[name, i, 4]; return p / 1024 }
# The median over the rounds of NAME / (the sum of the reference times of that round).
function ratio(name, first, second,   i, v, key, t) {
  for (i = 1; i <= runs; i++) {
    value["ratio", i, 1] = value[name, i, 1] / (value[first, i, 1] + (second == "" ? 0 : value[second, i, 1]))
  }
  return median("ratio", 1)
}
function row(label, name) {
  printf "%-8s %6.3f %6.3f %6.3f %7.2f %7.2f %7.1f %6.1f %6.2f %6.2f %8.1f\n", label,
    median(name, 1), extreme(name, -1), extreme(name, 1), ratio(name, "floor"), ratio(name, "cat"),
    lines / median(name, 1) / 1e6, peak(name), median(name, 2), median(name, 3), bytes / median(name, 1) / 1e6
}
{ value[$1, $2, 1] = $3; value[$1, $2, 2] = $4; value[$1, $2, 3] = $5; value[$1, $2, 4] = $6 }
END {
  printf "catalogue   %d orbit lines: %.1f MB plain, %.1f MB gzip, %.1f MB ZIP (page-cached)\n", lines, bytes / 1e6, gz / 1e6, zipbytes / 1e6
  printf "rounds      %d paired runs; load average %s on %d processors\n\n", runs, load, cpus
  printf "%-8s %6s %6s %6s %7s %7s %7s %6s %6s %6s %8s\n", "", "median", "min", "max", "x floor", "x cat", "Mline/s", "MiB", "user", "sys", "MB/s"
  row("floor", "floor")
  row("cat", "cat")
  row("plain", "plain")
  row("replace", "replace")
  row("gzip", "gzip")
  row("zip", "zip")
  row("igzip", "igzip")
  row("bsdtar", "bsdtar")
  before = ("before-plain", 1, 1) in value
  if (before) {
    row("b-plain", "before-plain")
    row("b-replc", "before-replace")
    row("b-gzip", "before-gzip")
  }
  plain = ratio("plain", "floor")
  replacer = ratio("replace", "plain")
  gzr = ratio("gzip", "igzip")
  zipr = ratio("zip", "bsdtar", "plain")
  printf "\n%-34s %6s", "", "now"
  if (before) printf " %7s", "before"
  printf "\n%-34s %6.2f", "replace / plain (target <= 1.3)", replacer
  if (before) printf " %7.2f", ratio("before-replace", "before-plain")
  printf "\n%-34s %6.2f", "gzip refresh / igzip -dc (<= 1.25)", gzr
  if (before) printf " %7.2f", ratio("before-gzip", "igzip")
  printf "\n%-34s %6.2f\n", "ZIP / (bsdtar -xOf + plain)", zipr
  printf "%-34s %6.2f\n", "ZIP / gzip refresh (<= 1.1)", ratio("zip", "gzip")
  peaks = peak("plain") < 16 && peak("replace") < 16 && peak("gzip") < 16 && peak("zip") < 16
  printf "targets     plain <= 2.0 x floor: %s; replace <= 1.3 x plain: %s; gzip <= 1.25 x igzip: %s; peak < 16 MiB: %s\n",
    (plain <= 2.0 ? "met" : "MISSED"), (replacer <= 1.3 ? "met" : "MISSED"),
    (gzr <= 1.25 ? "met" : "MISSED"), (peaks ? "met" : "MISSED")
  split(load, l, "/")
  if (l[1] + 0 > cpus || l[2] + 0 > cpus)
    printf "note        the load average exceeded the number of processors: the times are noisy\n"
}' "$times"
