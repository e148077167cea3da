#!/bin/bash
# abbench.sh REV [FILTER] [ROUNDS] [BENCH...]: the benchmark rows of the working tree beside
# those of git revision REV, measured in turns on the same machine (REV, tree, REV, tree, ...)
# so that both sides meet the same load. FILTER selects rows as --benchmark_filter does
# (default: all); ROUNDS turns each (default 3); BENCH names the programs (default
# bench_decimal). For each row it prints the lowest and highest figure of each side over
# the turns: the row's speedup counter where it has one (the peer's time over ours, larger
# is better), its items per second otherwise.
# Timings on a shared machine vary by tens of percent; a difference smaller than the spread
# of one side is not one.
set -euo pipefail
rev=${1:?usage: abbench.sh REV [FILTER] [ROUNDS] [BENCH...]}
filter=${2:-.}
rounds=${3:-3}
shift $(($# < 3 ? $# : 3))
benches=("${@:-bench_decimal}")
src=$(cd "$(dirname "$0")/../.." && pwd)
out=$src/build/abbench
mkdir -p "$out"
. "$src/tools/abcheck/revtree.sh"
for side in rev cur; do
  tree=$(side_tree "$side")
  cmake -S "$tree" -B "$out/$side-build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQD_BUILD_TESTS=OFF \
    -DQD_BUILD_BENCH=ON > "$out/$side-configure.log"
  cmake --build "$out/$side-build" -j2 --target "${benches[@]}" > "$out/$side-build.log"
done
: > "$out/figures.txt"
for ((i = 1; i <= rounds; ++i)); do
  for side in rev cur; do
    for b in "${benches[@]}"; do
      "$out/$side-build/bench/$b" --benchmark_filter="$filter" 2> /dev/null |
        awk -v side="$side" '/^BM_/ {
          v = ""
          for (j = 2; j <= NF; ++j) {
            if ($j ~ /^speedup=/) { v = substr($j, 9); break }
            if ($j ~ /^items_per_second=/) v = substr($j, 18)
          }
          if (v != "") print $1, side, v
        }' >> "$out/figures.txt"
    done
  done
done
# One line a row: its name, then REV's and the tree's lowest and highest figure.
awk -v rev="$rev" '
  { key = $1; if (!(key in seen)) { seen[key] = 1; order[++n] = key }
    v = $3 + 0
    if ($3 ~ /[kMG]\/s$/) v *= ($3 ~ /G\/s$/ ? 1e9 : $3 ~ /M\/s$/ ? 1e6 : 1e3)
    k = key SUBSEP $2
    if (!(k in lo) || v < lo[k]) { lo[k] = v; lot[k] = $3 }
    if (!(k in hi) || v > hi[k]) { hi[k] = v; hit[k] = $3 } }
  END {
    printf "%-28s %-24s %s\n", "row", rev, "working tree"
    for (i = 1; i <= n; ++i) {
      key = order[i]
      printf "%-28s %-24s %s\n", key, lot[key SUBSEP "rev"] " .. " hit[key SUBSEP "rev"],
             lot[key SUBSEP "cur"] " .. " hit[key SUBSEP "cur"]
    } }' "$out/figures.txt"
