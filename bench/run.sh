#!/usr/bin/env bash
# The conversion benchmark (make bench): converts a full-size synthetic
# catalogue (1.5 million orbit lines, about 300 MB) as plain text, gzip and
# ZIP, and sets each time beside what the same bytes cost anyway, measured in
# the same rounds:
#   floor   read the catalogue once, write the two files' sizes into two new
#           files in that folder, in 1 MiB blocks (tarnwick-floor)
#   rfloor  the replacement floor: the same, but over an existing pair as the
#           converter replaces one, with the same write-behind, flush on
#           closing and renames (tarnwick-floor --replace)
#   cat     read the catalogue
#   igzip   igzip -dc MPCORB.DAT.gz > /dev/null
#   bsdtar  bsdtar -xOf MPCORB.ZIP > /dev/null
#   curl    curl -o /dev/null of the .gz from a local HTTPS server that sends
#           at most 20 MB/s (bench/https_server.py)
# The conversions: plain text into a new folder (plain), then over the pair it
# made (replace), gzip and ZIP over an existing pair too (the everyday
# refresh); the selections --max-h 15 and --class neo over an existing pair;
# update over an existing pair from a local HTTPS server over loopback at full
# speed (update) and at 20 MB/s (upd-20). The server sends validators but
# answers every request in full, as on a day the catalogue changed: each
# update downloads the catalogue and keeps its copy in place of the last.
# upd-nk: the same at full speed from a server without validators, where
# nothing is kept: what keeping the copy costs.
# Targets: replace <= 1.2 x rfloor, gzip <= 1.25 x max(igzip, rfloor), ZIP <=
# 1.15 x (bsdtar + plain), each selection <= 1.05 x replace, update <= 1.15 x
# gzip, upd-20 <= 1.05 x curl, peak memory < 16 MiB for every form.
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
for tool in igzip bsdtar gzip curl openssl python3; do
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
servers=()
cleanup() {
  for pid in "${servers[@]}"; do kill "$pid" 2> /dev/null || true; done
  rm -rf "$out/convert" "$out/floor" "$out/rfloor" "$out/select" "$out/cache"
}
trap cleanup EXIT
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

# The replacement floor and the selections replace a pair of their own each round.
mkdir -p "$out/rfloor" "$out/select"
cp "$out/convert/Asteroids4.dat" "$out/convert/AsteroidInfo4.dat" "$out/rfloor/"
cp "$out/convert/Asteroids4.dat" "$out/convert/AsteroidInfo4.dat" "$out/select/"

# serve RATE [--no-validators]: starts bench/https_server.py on the .gz (RATE
# bytes/s, 0 for no limit) in $out/server-RATE[-nv] and sets $url to its address.
serve() {
  local folder=$out/server-$1${2:+-nv}
  mkdir -p "$folder"
  python3 "$root/bench/https_server.py" "$folder" "$catalogue.gz" "$@" > "$folder/port" &
  servers+=($!)
  for _ in $(seq 1 100); do [ -s "$folder/port" ] && break; sleep 0.1; done
  url=https://127.0.0.1:$(cat "$folder/port")/MPCORB.DAT.gz
  ca=$folder/cert.pem
}
serve 0
fast_url=$url
fast_ca=$ca
serve 20000000
slow_url=$url
slow_ca=$ca
serve 0 --no-validators
bare_url=$url
bare_ca=$ca

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
  # Right before replace, so that both follow the same kind of run.
  measure rfloor "$bin/tarnwick-floor" --replace "$catalogue" "$out/rfloor/Asteroids4.dat" \
    "$orbit_bytes" "$out/rfloor/AsteroidInfo4.dat" "$info_bytes"
  measure replace "$cli" convert "$catalogue" -o "$out/convert" -y
  measure max-h "$cli" convert "$catalogue" -o "$out/select" -y --max-h 15
  measure neo "$cli" convert "$catalogue" -o "$out/select" -y --class neo
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
  measure update env XDG_CACHE_HOME="$out/cache" CURL_CA_BUNDLE="$fast_ca" "$cli" update \
    --url "$fast_url" -o "$out/convert" -y
  measure upd-nk env XDG_CACHE_HOME="$out/cache" CURL_CA_BUNDLE="$bare_ca" "$cli" update \
    --url "$bare_url" -o "$out/convert" -y
  measure curl curl -sS --cacert "$slow_ca" -o /dev/null "$slow_url"
  measure upd-20 env XDG_CACHE_HOME="$out/cache" CURL_CA_BUNDLE="$slow_ca" "$cli" update \
    --url "$slow_url" -o "$out/convert" -y
done
load_after=$(cut -d' ' -f1 /proc/loadavg)

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "machine     $cpu, $(nproc) cores, $(uname -sr), $(df -T "$out" | awk 'NR == 2 { print $2 }') output folder"
awk -v lines="$lines" -v runs="$runs" -v bytes="$(stat -c %s "$catalogue")" \
    -v gz="$(stat -c %s "$catalogue.gz")" -v zipbytes="$(stat -c %s "$zip")" \
    -v loads="$load_before/$load_after" -v cpus="$(nproc)" '
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
# The same, against the larger of two reference times of each round.
function ratio_max(name, first, second,   i) {
  for (i = 1; i <= runs; i++) {
    value["ratio", i, 1] = value[name, i, 1] / (value[first, i, 1] > value[second, i, 1] ? value[first, i, 1] : value[second, i, 1])
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
  printf "rounds      %d paired runs; load average %s on %d processors\n\n", runs, loads, cpus
  printf "%-8s %6s %6s %6s %7s %7s %7s %6s %6s %6s %8s\n", "", "median", "min", "max", "x floor", "x cat", "Mline/s", "MiB", "user", "sys", "MB/s"
  row("floor", "floor")
  row("rfloor", "rfloor")
  row("cat", "cat")
  row("plain", "plain")
  row("replace", "replace")
  row("max-h", "max-h")
  row("neo", "neo")
  row("gzip", "gzip")
  row("zip", "zip")
  row("update", "update")
  row("upd-nk", "upd-nk")
  row("upd-20", "upd-20")
  row("igzip", "igzip")
  row("bsdtar", "bsdtar")
  row("curl", "curl")
  before = ("before-plain", 1, 1) in value
  if (before) {
    row("b-plain", "before-plain")
    row("b-replc", "before-replace")
    row("b-gzip", "before-gzip")
  }
  plain = ratio("plain", "floor")
  replacer = ratio("replace", "rfloor")
  gzr = ratio_max("gzip", "igzip", "rfloor")
  zipr = ratio("zip", "bsdtar", "plain")
  maxhr = ratio("max-h", "replace")
  neor = ratio("neo", "replace")
  updr = ratio("update", "gzip")
  slowr = ratio("upd-20", "curl")
  printf "\n%-44s %6s", "", "now"
  if (before) printf " %7s", "before"
  printf "\n%-44s %6.2f", "replace / rfloor (target <= 1.2)", replacer
  if (before) printf " %7.2f", ratio("before-replace", "rfloor")
  printf "\n%-44s %6.2f", "gzip refresh / max(igzip, rfloor) (<= 1.25)", gzr
  if (before) printf " %7.2f", ratio_max("before-gzip", "igzip", "rfloor")
  printf "\n%-44s %6.2f", "replace / plain", ratio("replace", "plain")
  printf "\n%-44s %6.2f", "ZIP / (bsdtar -xOf + plain)", zipr
  printf "\n%-44s %6.2f", "ZIP / gzip refresh (<= 1.1)", ratio("zip", "gzip")
  printf "\n%-44s %6.2f", "--max-h 15 / replace (<= 1.05)", maxhr
  printf "\n%-44s %6.2f", "--class neo / replace (<= 1.05)", neor
  printf "\n%-44s %6.2f", "update over loopback / gzip (<= 1.15)", updr
  printf "\n%-44s %6.2f", "update, nothing kept / gzip", ratio("upd-nk", "gzip")
  printf "\n%-44s %6.2f\n", "update at 20 MB/s / curl (<= 1.05)", slowr
  peaks = peak("plain") < 16 && peak("replace") < 16 && peak("gzip") < 16 && peak("zip") < 16 && peak("max-h") < 16 && peak("neo") < 16
  printf "targets     plain <= 2.0 x floor: %s; replace <= 1.2 x rfloor: %s; gzip <= 1.25 x max(igzip, rfloor): %s; peak < 16 MiB: %s\n",
    (plain <= 2.0 ? "met" : "MISSED"), (replacer <= 1.2 ? "met" : "MISSED"),
    (gzr <= 1.25 ? "met" : "MISSED"), (peaks ? "met" : "MISSED")
  printf "            selections <= 1.05 x replace: %s; update <= 1.15 x gzip: %s; update at 20 MB/s <= 1.05 x curl: %s\n",
    (maxhr <= 1.05 && neor <= 1.05 ? "met" : "MISSED"), (updr <= 1.15 ? "met" : "MISSED"),
    (slowr <= 1.05 ? "met" : "MISSED")
  split(loads, l, "/")
  if (l[1] + 0 > cpus || l[2] + 0 > cpus)
    printf "note        the load average exceeded the number of processors: the times are noisy\n"
}' "$times"
