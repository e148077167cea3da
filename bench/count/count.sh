#!/bin/bash
# count.sh [--time | --peers] [ROW-PATTERN]: instructions per item of every benchmark row
# (or those whose "NAME/ARG" matches the extended pattern), counted under qemu's user-mode
# emulators on a 64-bit and a 32-bit build, and the 32-bit count over the 64-bit one. Both
# builds run natively (the host must run i386 programs) with --time, which gives
# nanoseconds per item instead: the best of three wall times of enough iterations for
# 0.2 s of the 64-bit row, less the time of one iteration (the row's setup); and with
# --peers, which gives each row's own comparison with its peer at each width (its
# "speedup", peer time over ours, or its "ratio", ours over the peer's), the peer built
# for the same width.
#
# This machine class has no hardware counters, so instructions are what both widths can
# be compared by exactly; time is the truer measure where the host runs i386 programs, and
# the noisier one on a shared machine. The figures include the rows' loop overhead (the
# same in every row of a program) and not the peers, which most rows time outside their
# loop. Needs qemu-user (with plugin support), gcc-multilib and g++-multilib.
set -euo pipefail
mode=count
case "${1:-}" in
  --time) mode=time; shift ;;
  --peers) mode=peers; shift ;;
esac
pattern=${1:-.}
src=$(cd "$(dirname "$0")/../.." && pwd)
out=$src/build/count
mkdir -p "$out"
programs=()
for f in "$src"/bench/*.cpp "$src"/bench/*/*.cpp; do
  case $f in
    "$src"/bench/*/*.cpp) d=$(basename "$(dirname "$f")") ;;
    *) d=$(basename "$f" .cpp) ;;
  esac
  [[ " ${programs[*]} " == *" bench_$d "* ]] || programs+=("bench_$d")
done
cc -shared -fPIC -O2 -o "$out/libinsn.so" "$src/bench/count/insn.c"
for bits in 64 32; do
  args=(-S "$src" -B "$out/$bits" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQD_BUILD_TESTS=OFF
        -DQD_BUILD_BENCH=ON -DQD_BENCH_COUNT=ON)
  [ "$bits" = 32 ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchains/linux-i686.cmake")
  cmake "${args[@]}" > "$out/configure-$bits.log"
  cmake --build "$out/$bits" -j2 --target "${programs[@]}" > "$out/build-$bits.log"
done

# Instructions of RUNS iterations of one row; stderr carries "items N" and "insns N".
run() {  # bits program row arg iterations
  local emu=qemu-x86_64
  [ "$1" = 32 ] && emu="qemu-i386 -L /"
  $emu -plugin "$out/libinsn.so" "$out/$1/bench/$2" "$3" "$4" "$5" 2>&1 >/dev/null
}
per_item() {  # bits program row arg: (insns(12) - insns(2)) / (10 * items per iteration)
  local a b
  a=$(run "$@" 2) b=$(run "$@" 12)
  awk -v a="$a" -v b="$b" 'BEGIN {
    split(a, x, "\n"); split(b, y, "\n");
    for (i in x) { split(x[i], f, " "); A[f[1]] = f[2] }
    for (i in y) { split(y[i], f, " "); B[f[1]] = f[2] }
    items = B["items"] > 0 ? B["items"] : 1
    printf "%.0f", (B["insns"] - A["insns"]) / (10 * items) }'
}

# Wall nanoseconds of one run of ITERATIONS iterations, the best of three; stderr's
# "items N" (per iteration) goes to the file named by $items_file.
wall() {  # bits program row arg iterations
  local best='' t0 t1 d i
  for i in 1 2 3; do
    t0=$(date +%s%N)
    "$out/$1/bench/$2" "$3" "$4" "$5" 2> "$items_file" > /dev/null
    t1=$(date +%s%N)
    d=$((t1 - t0))
    if [ -z "$best" ] || [ "$d" -lt "$best" ]; then best=$d; fi
  done
  echo "$best"
}
items_file=$(mktemp)
trap 'rm -f "$items_file"' EXIT
# Nanoseconds per item of a row at a fixed iteration count, found on the 64-bit build.
ns_per_item() {  # bits program row arg iterations
  local base full
  base=$(wall "$1" "$2" "$3" "$4" 1)
  full=$(wall "$@")
  awk -v b="$base" -v f="$full" -v n="$5" -v items="$(awk '$1 == "items" { print $2 }' "$items_file")" \
    'BEGIN { printf "%.1f", (f - b) / ((n - 1) * (items > 0 ? items : 1)) }'
}
iterations_for() {  # program row arg: enough iterations for 0.2 s of the 64-bit row
  local n=16 base full
  base=$(wall 64 "$1" "$2" "$3" 1)
  while :; do
    full=$(wall 64 "$1" "$2" "$3" "$n")
    [ $((full - base)) -gt 200000000 ] || [ "$n" -ge 16777216 ] && break
    n=$((n * 4))
  done
  echo "$n"
}

# One line per row in each mode: row_peers, row_time or row_count NAME ROW ARG.
# The row's first comparison counter: speedup, ratio or memcpy_ratio.
peer_figure() {  # bits program row arg
  "$out/$1/bench/$2" "$3" "$4" 1 peers 2> /dev/null |
    awk '$1 == "speedup" || $1 == "ratio" || $1 == "memcpy_ratio" { print $1, $2; exit }'
}
row_peers() {
  local what f64 f32
  read -r what f64 <<< "$(peer_figure 64 "$1" "$2" "$3")"
  [ -n "${what:-}" ] || return 0
  read -r _ f32 <<< "$(peer_figure 32 "$1" "$2" "$3")"
  printf '%-36s %-12s %12.2f %12.2f\n' "$2/$3" "$what" "$f64" "$f32"
}
row_time() {
  local n t64 t32
  n=$(iterations_for "$1" "$2" "$3")
  t64=$(ns_per_item 64 "$1" "$2" "$3" "$n")
  t32=$(ns_per_item 32 "$1" "$2" "$3" "$n")
  awk -v r="$2/$3" -v a="$t64" -v b="$t32" \
    'BEGIN { printf "%-36s %12.1f %12.1f %7.2f\n", r, a, b, (a > 0 ? b / a : 0) }'
}
row_count() {
  local n64 n32
  n64=$(per_item 64 "$1" "$2" "$3")
  n32=$(per_item 32 "$1" "$2" "$3")
  awk -v r="$2/$3" -v a="$n64" -v b="$n32" \
    'BEGIN { printf "%-36s %12d %12d %7.2f\n", r, a, b, (a > 0 ? b / a : 0) }'
}

case $mode in
  peers) printf '%-36s %-12s %12s %12s\n' row figure "64-bit" "32-bit" ;;
  time) printf '%-36s %12s %12s %7s\n' row "64-bit ns" "32-bit ns" "32/64" ;;
  count) printf '%-36s %12s %12s %7s\n' row "64-bit" "32-bit" "32/64" ;;
esac
for prog in "$out"/64/bench/bench_*; do
  name=$(basename "$prog")
  "$prog" --list | while read -r row arg; do
    [[ "$row/$arg" =~ $pattern ]] || continue
    "row_$mode" "$name" "$row" "$arg"
  done
done
