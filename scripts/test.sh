#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${PAIRHOUND_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAIRHOUND_TESTS=ON -DPAIRHOUND_BENCH=ON
cmake --build "$build"
jobs=$(nproc 2>/dev/null || echo 2)
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs"
# The fuzz targets over their seed corpus and a few seconds of fuzzing each (skipped without clang).
bash scripts/fuzz.sh check
