#!/usr/bin/env bash
# Two builds of the same-content search over one folder tree, run alternately (old, new, old, ...)
# after one warm-up each, so a noisy shared machine weighs on both alike. Prints the median of every
# phase of pairhound_contentbench and of bench_gather's walk, with the new/old ratio, and checks
# that both builds find the same groups.
#
#   bash bench/compare-builds.sh OLD_BUILD NEW_BUILD FOLDER [--runs N] [--gather-rounds R]
#
# FOLDER is a tree from pairhound_maketree; the builds need the targets pairhound_contentbench and
# bench_gather.
set -euo pipefail

[ $# -ge 3 ] || { sed -n '2,10p' "$0"; exit 2; }
old=$1 new=$2 tree=$3
shift 3
runs=7
gather_rounds=5
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --gather-rounds) gather_rounds=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# One line per run: gathering reading grouping total peak_MiB heap_per_file user_s sys_s
content() {
  /usr/bin/time -f 'cpu %U %S' -o "$out/time" "$1/bench/pairhound_contentbench" "$tree" >"$out/run"
  awk -v cpu="$(cat "$out/time")" '
    /^gathering/ { g = $2 } /^reading/ { r = $3 } /^grouping/ { p = $2 } /^whole search/ { t = $3 }
    /^peak memory/ { m = $3 } /^heap per file/ { h = $4 }
    END { split(cpu, c, " "); print g, r, p, t, m, h, c[2], c[3] }' "$out/run"
}
gather() {
  "$1/bench/bench_gather" "$tree" "$gather_rounds" | awk '/^engine walk/ { print $3 }'
}

echo "warming up ..."
for b in "$old" "$new"; do content "$b" >/dev/null; done
for ((i = 1; i <= runs; i++)); do
  content "$old" >>"$out/content.old"
  content "$new" >>"$out/content.new"
done
for b in "$old" "$new"; do gather "$b" >/dev/null; done
for ((i = 1; i <= runs; i++)); do
  gather "$old" >>"$out/gather.old"
  gather "$new" >>"$out/gather.new"
done

median() { sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
row() { # name, file suffix, column
  local o n
  o=$(awk -v c="$3" '{ print $c }' "$out/$2.old" | median)
  n=$(awk -v c="$3" '{ print $c }' "$out/$2.new" | median)
  printf '%-26s %12s %12s %8s   old: %s | new: %s\n' "$1" "$o" "$n" \
    "$(awk -v a="$n" -v b="$o" 'BEGIN { printf "%.3f", a / b }')" \
    "$(awk -v c="$3" '{ printf "%s ", $c }' "$out/$2.old")" "$(awk -v c="$3" '{ printf "%s ", $c }' "$out/$2.new")"
}

echo
echo "tree: $tree ($runs alternating runs each, $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-26s %12s %12s %8s\n' "median of" old new new/old
row "gathering ms" content 1
row "reading ms" content 2
row "grouping ms" content 3
row "whole search ms" content 4
row "peak memory MiB" content 5
row "heap per file bytes" content 6
row "process user s" content 7
row "process sys s" content 8
row "bench_gather walk ms" gather 1

"$old/bench/pairhound_contentbench" "$tree" --groups "$out/groups.old" --quiet
"$new/bench/pairhound_contentbench" "$tree" --groups "$out/groups.new" --quiet
if cmp -s "$out/groups.old" "$out/groups.new"; then
  echo "group check: both builds give the same $(wc -l <"$out/groups.new") groups"
else
  echo "group check FAILED; first differences:"
  diff "$out/groups.old" "$out/groups.new" | head -10
  exit 1
fi
