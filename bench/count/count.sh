#!/bin/bash
# count.sh [ROW-PATTERN]: instructions per item of every benchmark row (or those whose
# "NAME/ARG" matches the extended pattern), counted under qemu's user-mode emulators on a
# 64-bit and a 32-bit build, and the 32-bit count over the 64-bit one.
#
# This machine class has no hardware counters and cannot time i386 programs natively;
# executed instructions are what both widths can be compared by. The counts include the
# rows' loop overhead (the same in every row of a program) and not the peers, which most
# rows time outside their loop. Needs qemu-user (with plugin support), gcc-multilib and
# g++-multilib.
set -euo pipefail
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

printf '%-36s %12s %12s %7s\n' row "64-bit" "32-bit" "32/64"
for prog in "$out"/64/bench/bench_*; do
  name=$(basename "$prog")
  "$prog" --list | while read -r row arg; do
    [[ "$row/$arg" =~ $pattern ]] || continue
    n64=$(per_item 64 "$name" "$row" "$arg")
    n32=$(per_item 32 "$name" "$row" "$arg")
    awk -v r="$row/$arg" -v a="$n64" -v b="$n32" \
      'BEGIN { printf "%-36s %12d %12d %7.2f\n", r, a, b, (a > 0 ? b / a : 0) }'
  done
done
