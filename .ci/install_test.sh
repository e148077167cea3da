#!/usr/bin/env bash
# Install test: the library as a user of an installation sees it.
#  1. cmake --install into a temporary prefix, then move the tree (installations are
#     relocatable);
#  2. two consumers built from outside the source tree, one through find_package, one
#     through pkg-config, each run with an empty environment (env -i, so no
#     LD_LIBRARY_PATH and no settings) and required to print catalogue texts;
#  3. a setting in qdwin.ini beside a consumer still wins over the installed catalogues;
#  4. cpack: the .deb packages unpacked with dpkg -x into a clean directory, the tool run
#     from there, and the .tar.gz listed.
# Usage: install_test.sh [BUILD_DIR]   (default build/default, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
src="$PWD"
build="${1:-build/default}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "install test: $*" >&2; exit 1; }
expect_report() {  # FILE: the report of the consumer, with the catalogue's text
  grep -q "Value 1234.5 does not fit type numeric(5,2)." "$1" || { cat "$1"; fail "no message text in $1"; }
  if grep -q "can't open" "$1"; then cat "$1"; fail "a catalogue was not found"; fi
}

cmake --build "$build" --target qdtype32 qdtype
cmake --install "$build" --prefix "$work/stage" >/dev/null
mv "$work/stage" "$work/prefix"
prefix="$work/prefix"
pcdir="$(dirname "$(find "$prefix" -name qdtype32.pc)")"
soname="$(find "$prefix" -name 'libqdtype32.so.1' -type l)"
[ -n "$soname" ] || fail "libqdtype32.so.1 not installed"
readlink "$soname" | grep -Eq '^libqdtype32\.so\.1\.[0-9]+\.[0-9]+$' || fail "bad SONAME link"

# find_package consumer.
cmake -S .ci/consumers/cmake -B "$work/c-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/c-cmake" >/dev/null
(cd "$work" && env -i "$work/c-cmake/report" > "$work/cmake.out")
expect_report "$work/cmake.out"
echo "install test: find_package consumer printed its catalogue texts"

# pkg-config consumer.
mkdir -p "$work/c-pc"
PKG_CONFIG_PATH="$pcdir" .ci/consumers/pkgconfig/build.sh "$work/c-pc/report"
(cd "$work" && env -i "$work/c-pc/report" > "$work/pc.out")
expect_report "$work/pc.out"
echo "install test: pkg-config consumer printed its catalogue texts"

# A setting, where given, wins: qdwin.ini beside the program names another directory.
mkdir -p "$work/elsewhere"
printf '[QDWIN]\nQUARENDEL=%s\n' "$work/elsewhere" > "$work/c-pc/qdwin.ini"
(cd "$work" && env -i "$work/c-pc/report" > "$work/setting.out")
grep -q "can't open file $work/elsewhere/qderror.h" "$work/setting.out" ||
  { cat "$work/setting.out"; fail "the QUARENDEL setting did not win"; }
echo "install test: the QUARENDEL setting wins over the installed catalogues"

# The installed tool, moved with the tree.
env -i "$prefix/bin/qdtype" --version | grep -q "QDTYPE32" || fail "installed qdtype --version"

# Packages.
(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null 2>&1 && cpack -G TGZ -B "$work/pkg" >/dev/null)
ls "$work/pkg"/*.deb "$work/pkg"/*.tar.gz >/dev/null || fail "packages missing"
mkdir -p "$work/root"
for deb in "$work/pkg"/*.deb; do
  dpkg-deb -I "$deb" | grep -E '^ (Package|Depends):'
  dpkg -x "$deb" "$work/root"
done
dev_deb="$(find "$work/pkg" -maxdepth 1 -name '*-dev_*.deb')"
[ -n "$dev_deb" ] || fail "no -dev package"
dpkg-deb -c "$dev_deb" > "$work/dev.list"
grep -q 'include/qdtype32/qdtype32.h' "$work/dev.list" || fail "headers not in -dev"
grep -q 'qdtype32Config.cmake' "$work/dev.list" || fail "CMake package not in -dev"
grep -q 'qdtype32.pc' "$work/dev.list" || fail "qdtype32.pc not in -dev"
tool="$(find "$work/root" -path '*/bin/qdtype' -type f)"
[ -n "$tool" ] || fail "qdtype not in the .deb"
env -i "$tool" --version
(cd "$work" && env -i "$tool" tour > "$work/tour.out")
expect_report "$work/tour.out"
echo "install test: qdtype from the unpacked .deb runs and finds its catalogues"
tar -tzf "$work/pkg"/*.tar.gz > "$work/tgz.list"
grep -q 'bin/qdtype$' "$work/tgz.list" || fail "qdtype not in the .tar.gz"
echo "install test: passed (source $src)"
