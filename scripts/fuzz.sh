#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour sanitizers) and runs them.
#   scripts/fuzz.sh check                 every target over its seed corpus, then a few seconds of fuzzing
#                                         (the CTest tests of the fuzz build; scripts/test.sh runs this)
#   scripts/fuzz.sh [SECONDS [JOBS [TARGET...]]]
#                                         each target (all by default) for SECONDS (600), JOBS at once (3)
# New inputs and any crashing input gather in build-fuzz/fuzz/work/<target>; the seeds in fuzz/corpus
# are never changed. Without clang++ nothing is built and the script says so.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ is not installed: the fuzz targets are not built or run."
  exit 0
fi
build=${PAIRHOUND_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DPAIRHOUND_FUZZ=ON -DPAIRHOUND_TESTS=OFF -DPAIRHOUND_BENCH=OFF >/dev/null
cmake --build "$build" --target pairhound_fuzz

if [ "${1:-}" = check ]; then
  exec ctest --test-dir "$build" --output-on-failure --no-tests=error -L fuzz -j "$(nproc 2>/dev/null || echo 2)"
fi

seconds=${1:-600}
jobs=${2:-3}
shift $(($# < 2 ? $# : 2))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(translation recordtext resultfile filemask archive picture tags)
logs=$build/fuzz/logs
mkdir -p "$logs"
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "fuzzing $t for $seconds s"
  bash fuzz/run.sh "$build/fuzz/fuzz_$t" "$seconds" "fuzz/corpus/$t" "$build/fuzz/work/$t" >"$logs/$t.log" 2>&1 &
done
wait || true

status=0
printf '%-12s %14s %10s %s\n' target executions corpus result
for t in "${targets[@]}"; do
  log=$logs/$t.log
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  corpus=$(grep -o 'corp: [0-9]*/[0-9A-Za-z]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  if grep -q 'Done [0-9]* runs in' "$log"; then result=ok; else result="FAULT (see $log)"; status=1; fi
  printf '%-12s %14s %10s %s\n' "$t" "${execs:-?}" "${corpus:-?}" "$result"
done
exit $status
