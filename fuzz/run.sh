#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time.
#   fuzz/run.sh [BUILD_DIR] [SECONDS_PER_TARGET] [TARGET...]
# (`make fuzz FUZZ_SECONDS=N` calls it as fuzz/run.sh build-fuzz N.)
# Seeds come from fuzz/corpus/<target>, which is only read; inputs the run
# finds interesting go to BUILD_DIR/corpus/<target>. The script fails when a
# target crashes, leaks, times out or a check fails; the input that did it is
# saved as BUILD_DIR/artifacts/<target>-crash-... and the command to replay
# it is printed. Copy such an input into fuzz/corpus/<target>/ once fixed:
# the test suite replays that directory on every `make test`.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(dirname "$here")"
build="${1:-build-fuzz}"
seconds="${2:-300}"
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(catalogue number_scan fast_path decompressing_input)

cc="${FUZZ_CC:-clang-14}"
cxx="${FUZZ_CXX:-clang++-14}"
if ! command -v "$cxx" >/dev/null; then
  echo "fuzz/run.sh: $cxx not found; run scripts/setup.sh fuzz (Debian packages clang-14 libclang-rt-14-dev)" >&2
  exit 1
fi

CC="$cc" CXX="$cxx" cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARNWICK_FUZZ=ON -DTARNWICK_GUI=OFF -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF \
  -DTARNWICK_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

declare -A dict=([fast_path]=catalogue)
declare -A max_len=([catalogue]=8192 [number_scan]=1024 [fast_path]=400 [decompressing_input]=16384)
status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  artifacts="$build/artifacts"
  log="$build/fuzz_$target.log"
  mkdir -p "$work" "$artifacts"
  echo "== fuzz_$target for ${seconds}s (log: $log)"
  set +e
  "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="${max_len[$target]:-4096}" -dict="$here/${dict[$target]:-$target}.dict" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$work" "$here/corpus/$target" >"$log" 2>&1
  rc=$?
  set -e
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  corpus="$(find "$work" -type f | wc -l)"
  if [ $rc -ne 0 ]; then
    status=1
    echo "fuzz_$target FAILED (exit $rc) after ${runs:-?} runs:" >&2
    grep -E 'ERROR|fuzz check failed|runtime error|SUMMARY|Test unit written' "$log" | head -n 20 >&2 || true
    for input in "$artifacts/$target"-*; do
      [ -e "$input" ] && echo "replay: $build/bin/fuzz_$target $input" >&2
    done
  else
    echo "fuzz_$target: ${runs:-?} runs in ${seconds}s, no failure ($corpus inputs found so far in $work)"
  fi
done
exit $status
