#!/bin/bash
# abcheck.sh REV [PAIRS] [m32]: the decimal and calendar operations of the working tree's
# library against those of the library at git revision REV, byte for byte (result, return code,
# report text, operands after the call) on PAIRS random operand pairs per operation
# (default 1000000). With m32, both are 32-bit builds, run under qemu-i386 where the host
# cannot run i386 programs. Exit 0 when identical; 1 with the first differing call.
set -euo pipefail
rev=${1:?usage: abcheck.sh REV [PAIRS] [m32]}
pairs=${2:-1000000}
bits=${3:-64}
src=$(cd "$(dirname "$0")/../.." && pwd)
out=$src/build/abcheck-$bits
mkdir -p "$out"
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQD_BUILD_TESTS=OFF -DQD_BUILD_BENCH=OFF)
cxx=(g++ -O1 -std=c++20)
run=()
if [ "$bits" = m32 ]; then
  args+=(-DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchains/linux-i686.cmake")
  cxx+=(-m32)
  "${cxx[@]}" -x c++ -o "$out/probe" - <<< 'int main() {}'
  "$out/probe" 2> /dev/null || run=(qemu-i386 -L /)
fi
. "$src/tools/abcheck/revtree.sh"
for side in rev cur; do
  tree=$(side_tree "$side")
  cmake -S "$tree" -B "$out/$side-build" "${args[@]}" > "$out/$side-configure.log"
  cmake --build "$out/$side-build" -j2 --target qdtype32 > "$out/$side-build.log"
  mkdir -p "$out/$side-run"
  # The report texts come from the catalogues beside the program.
  cp "$tree/share/qderror.h" "$tree/share/qdfid.h" "$out/$side-run/"
  "${cxx[@]}" -I"$tree/include" "$src/tools/abcheck/abcheck.cpp" -o "$out/$side-run/abcheck" \
    -L"$out/$side-build" -lqdtype32 -Wl,-rpath,"$out/$side-build"
  (cd "$out/$side-run" && "${run[@]}" ./abcheck "$pairs" > hashes.txt)
done
if cmp -s "$out/rev-run/hashes.txt" "$out/cur-run/hashes.txt"; then
  echo "identical to $rev on $pairs pairs per operation ($bits-bit):"
  cat "$out/cur-run/hashes.txt"
  exit 0
fi
diff "$out/rev-run/hashes.txt" "$out/cur-run/hashes.txt" || true
for side in rev cur; do
  (cd "$out/$side-run" && "${run[@]}" ./abcheck "$pairs" lines > lines.txt)
done
echo "first differing call (< $rev, > working tree):"
diff "$out/rev-run/lines.txt" "$out/cur-run/lines.txt" | head -5
exit 1
