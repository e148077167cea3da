#!/bin/bash
# callprof.sh ROW OURS PEER [BENCH]: what one call costs in a benchmark row, ours beside the
# peer's, for machines without hardware counters. Runs the row of BENCH (default
# bench_decimal, built as abbench.sh builds the working tree) under callgrind with its
# branch simulation and prints, for function OURS (an export, e.g. fixdiv) and PEER (the
# peer's entry, e.g. __bid_divtd3): calls, then per call the instructions, the conditional
# branches and the simulated mispredictions, each including what the function calls.
# Instructions are exact; the simulated predictor is far simpler than a real core's, so
# its mispredictions only point at branches that follow the data.
#   callprof.sh '^BM_div_mixed/10$' fixdiv __bid_divtd3
set -euo pipefail
row=${1:?usage: callprof.sh ROW OURS PEER [BENCH]}
ours=${2:?usage: callprof.sh ROW OURS PEER [BENCH]}
peer=${3:?usage: callprof.sh ROW OURS PEER [BENCH]}
bench=${4:-bench_decimal}
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$src/build/abbench/cur-build
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQD_BUILD_TESTS=OFF \
  -DQD_BUILD_BENCH=ON > /dev/null
cmake --build "$build" -j2 --target "$bench" > /dev/null
prof=$(mktemp)
trap 'rm -f "$prof"' EXIT
valgrind --tool=callgrind --branch-sim=yes --callgrind-out-file="$prof" \
  "$build/bench/$bench" --benchmark_filter="$row" --benchmark_min_time=0.01 > /dev/null 2>&1
# In the caller tree a function's block lists its callers ("<", with the calls "(Nx)" from
# each), then the function itself ("*", with its inclusive Ir, Bc, Bcm). A function is
# listed once under its source path with all its costs, and again per file its code comes
# from (itself and each inlined header): the largest is the whole.
callgrind_annotate --inclusive=yes --show=Ir,Bc,Bcm --tree=caller "$prof" 2> /dev/null |
  awk -v ours="$ours" -v peer="$peer" '
    function num(s) { gsub(/,/, "", s); return s + 0 }
    $0 ~ /^ *[0-9,]+ \(/ {
      # Ir, Bc, Bcm, each with its share (which may hold a blank), the mark, the function.
      gsub(/\( *[0-9.]+%\)/, "")
      $0 = $0
      if ($4 == "<") {
        if (match($0, /\([0-9,]+x\)/)) pending += num(substr($0, RSTART + 1, RLENGTH - 3))
        next
      }
      if ($4 != "*") next
      fn = $5
      sub(/^.*:/, "", fn)
      if ((fn == ours || fn == peer) && num($1) > ir[fn]) {
        ir[fn] = num($1); bc[fn] = num($2); bcm[fn] = num($3)
        if (pending > n[fn]) n[fn] = pending
      }
      pending = 0
    }
    END {
      printf "%-20s %10s %12s %10s %12s\n", "function", "calls", "instr/call", "br/call",
             "mispred/call"
      split(ours " " peer, fs, " ")
      for (k = 1; k <= 2; ++k) {
        f = fs[k]
        if (!(f in ir) || n[f] == 0) { printf "%-20s not called\n", f; continue }
        printf "%-20s %10d %12.0f %10.1f %12.2f\n", f, n[f], ir[f] / n[f], bc[f] / n[f],
               bcm[f] / n[f]
      }
    }'
