#!/bin/bash
# targets.sh [RUNS] [BUILD]: the speed targets of the value paths, row by row, with each
# run's figure and whether every run met the target. RUNS (default 3) runs of the three
# benchmark programs in the build directory BUILD (default build/default, configured with
# the default preset), built here first.
#
# Every figure is the peer's time over ours (above 1: faster than the peer), both timed in
# turn inside the row; each target is the least figure that meets it:
#  - fixadd, fixsub, fixmul on the _mixed rows (mixed signs, scales and lengths) >= 1.5,
#    fixdiv on the plain and the _mixed rows >= 0.5: the rows' "speedup" counter;
#  - dt_ts_add, dt_sub and dt_weekday beside the closed day-count formulas on the same
#    dates >= 0.5, compare on char(20) beside memcmp >= 0.5, and on integer beside the
#    inlined comparison >= 0.4: 1 / the rows' "ratio" counter (ours over the baseline).
# A shared machine moves single figures by tens of percent; read the spread of the runs.
set -euo pipefail
runs=${1:-3}
src=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$src/build/default}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! { [ -f "$build/CMakeCache.txt" ] || (cd "$src" && cmake --preset default); } > "$out/build.log" 2>&1 ||
   ! cmake --build "$build" -j2 --target bench_decimal bench_datetime bench_compare >> "$out/build.log" 2>&1; then
  cat "$out/build.log" >&2
  exit 1
fi

# One line per figure: "run row target figure".
for ((i = 1; i <= runs; ++i)); do
  "$build/bench/bench_decimal" --benchmark_format=csv \
    --benchmark_filter='^BM_((add|sub|mul|div)_mixed|div)/' 2> /dev/null |
    awk -F, -v run="$i" 'NR == 1 { for (k = 1; k <= NF; ++k) if ($k == "\"speedup\"") col = k; next }
      { name = $1; gsub(/"|BM_/, "", name); target = name ~ /^div/ ? 0.5 : 1.5
        print run, name, target, $col }' >> "$out/figures"
  {
    "$build/bench/bench_datetime" --benchmark_format=csv \
      --benchmark_filter='^BM_(DtTsAdd|DtSub|Weekday)$' 2> /dev/null
    "$build/bench/bench_compare" --benchmark_format=csv \
      --benchmark_filter='^BM_(CompareChar/20|CompareInteger)$' 2> /dev/null
  } | awk -F, -v run="$i" '
      /^name/ { for (k = 1; k <= NF; ++k) if ($k == "\"ratio\"") col = k; next }
      { name = $1; gsub(/"/, "", name)
        split("BM_DtTsAdd dt_ts_add 0.5 BM_DtSub dt_sub 0.5 BM_Weekday dt_weekday 0.5 " \
              "BM_CompareChar/20 compare_char20 0.5 BM_CompareInteger compare_integer 0.4", p, " ")
        for (k = 1; k in p; k += 3)
          if (p[k] == name && $col > 0) print run, p[k + 1], p[k + 2], 1 / $col }' >> "$out/figures"
done

awk -v runs="$runs" '
  { target[$2] = $3; fig[$2, $1] = $4 }
  END {
    # The rows in the order of the target table.
    n = split("add_mixed/10 add_mixed/20 add_mixed/30 sub_mixed/10 sub_mixed/20 sub_mixed/30 " \
              "mul_mixed/10 mul_mixed/20 mul_mixed/30 div/10 div/20 div/30 div_mixed/10 " \
              "div_mixed/20 div_mixed/30 dt_ts_add dt_sub dt_weekday compare_char20 " \
              "compare_integer", order, " ")
    printf "%-18s %6s", "row", "target"
    for (r = 1; r <= runs; ++r) printf " %7s", "run " r
    printf "  %s\n", "met"
    for (i = 1; i <= n; ++i) {
      key = order[i]; met = 0; seen = 0
      if (!(key in target)) continue
      printf "%-18s %6.2f", key, target[key]
      for (r = 1; r <= runs; ++r) {
        if ((key, r) in fig) { printf " %7.3f", fig[key, r]; ++seen; met += fig[key, r] >= target[key] }
        else printf " %7s", "-"
      }
      printf "  %s\n", met == seen ? "every run" : (met ? met " of " seen : "no")
    }
  }' "$out/figures"
