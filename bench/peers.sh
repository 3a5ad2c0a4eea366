#!/usr/bin/env bash
# Same-content search over one generated folder tree: Pairhound's engine against jdupes, rdfind,
# fdupes and rmlint (Debian's packages), in the same run, warm cache, several rounds. Prints each
# tool's median wall time and its ratio to the engine, then checks that the engine's groups of
# non-empty files are exactly jdupes' groups.
#
#   bash bench/peers.sh [--files N] [--rounds R] [--tree FOLDER] [--dup-share F] [--seed S]
#
# The tree is made once per set of arguments and kept (default under /var/tmp) for later runs.
set -euo pipefail
cd "$(dirname "$0")/.."

files=100000
rounds=5
dup_share=0.2
seed=1
tree=""
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --tree) tree=$2; shift 2 ;;
    --dup-share) dup_share=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
tree=${tree:-/var/tmp/pairhound-bench-$files-$dup_share-$seed}

# Tools: the project's own dependencies plus the four peers.
bash scripts/install-deps.sh
peers=(jdupes rdfind fdupes rmlint)
missing=()
for p in "${peers[@]}"; do
  command -v "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build=${PAIRHOUND_BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPAIRHOUND_TESTS=OFF -DPAIRHOUND_BENCH=ON >/dev/null
cmake --build "$build" --target pairhound_maketree pairhound_contentbench >/dev/null
maketree=$build/bench/pairhound_maketree
engine=$build/bench/pairhound_contentbench

if [ ! -f "$tree/.complete" ]; then
  rm -rf "$tree"
  echo "making the tree $tree ..."
  "$maketree" "$tree/data" --files "$files" --dup-share "$dup_share" --seed "$seed"
  touch "$tree/.complete"
fi
data=$tree/data
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Each command writes its groups (or its report) into $out so that nothing lands in the tree.
run_tool() {
  case "$1" in
    pairhound) "$engine" "$data" --groups "$out/pairhound.groups" --quiet ;;
    jdupes) jdupes -r -q "$data" >"$out/jdupes.txt" ;;
    rdfind) rdfind -dryrun true -outputname "$out/rdfind.txt" "$data" >/dev/null ;;
    fdupes) fdupes -r -q "$data" >"$out/fdupes.txt" ;;
    rmlint) (cd "$out" && rmlint -T df -o fdupes:"$out/rmlint.txt" "$data" >/dev/null 2>&1) ;;
  esac
}

tools=(pairhound jdupes rdfind fdupes rmlint)
echo "warming the cache ..."
for t in "${tools[@]}"; do run_tool "$t"; done

declare -A times
for ((r = 1; r <= rounds; r++)); do
  for t in "${tools[@]}"; do
    start=$(date +%s%N)
    run_tool "$t"
    end=$(date +%s%N)
    times[$t]="${times[$t]:-} $(( (end - start) / 1000000 ))"
  done
  echo "round $r/$rounds done"
done

median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}'; }

echo
echo "tree: $data ($(find "$data" -type f | wc -l) files, $(du -sh "$data" | cut -f1)), $rounds rounds, $(nproc) CPUs"
engine_ms=$(echo "${times[pairhound]}" | median)
printf '%-10s %12s %14s   %s\n' tool "median ms" "ratio to ours" "all rounds (ms)"
for t in "${tools[@]}"; do
  ms=$(echo "${times[$t]}" | median)
  ratio=$(awk -v a="$ms" -v b="$engine_ms" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), a / b }')
  printf '%-10s %12s %14s  %s\n' "$t" "$ms" "$ratio" "${times[$t]}"
done

echo
echo "engine phases (one more run):"
"$engine" "$data" | sed 's/^/  /'

# jdupes prints groups separated by empty lines; make one sorted tab-joined line per group.
LC_ALL=C awk 'BEGIN { RS = ""; FS = "\n" } { n = split($0, p, "\n");
       for (i = 2; i <= n; i++) { v = p[i]; for (j = i - 1; j >= 1 && p[j] > v; j--) p[j + 1] = p[j]; p[j + 1] = v }
       line = p[1]; for (i = 2; i <= n; i++) line = line "\t" p[i]; print line }' \
  "$out/jdupes.txt" | LC_ALL=C sort >"$out/jdupes.groups"
LC_ALL=C sort "$out/pairhound.groups" >"$out/pairhound.sorted"
echo
jg=$(wc -l <"$out/jdupes.groups")
pg=$(wc -l <"$out/pairhound.sorted")
if cmp -s "$out/jdupes.groups" "$out/pairhound.sorted"; then
  echo "group check: the engine's $pg groups equal jdupes' $jg groups exactly"
else
  echo "group check FAILED: engine $pg groups, jdupes $jg groups; first differences:"
  diff "$out/jdupes.groups" "$out/pairhound.sorted" | head -10
  exit 1
fi
