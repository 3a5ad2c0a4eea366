#!/usr/bin/env bash
# Runs one fuzz target: every input of the seed corpus first (a crash on a known input fails at
# once), then fuzzing for the given seconds. New inputs go to the work folder, never to the seeds.
#   run.sh <target> <seconds> <seed folder> <work folder> [more libFuzzer options]
set -euo pipefail
target=$1 seconds=$2 seeds=$3 work=$4
shift 4
mkdir -p "$work"
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
exec "$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$work/" "$@" "$work" "$seeds"
