#!/usr/bin/env bash
# A consumer of the installed library through pkg-config: build.sh OUTPUT. The library
# directory from the .pc file becomes the program's RPATH, so it runs without
# LD_LIBRARY_PATH. PKG_CONFIG_PATH names the installation's pkgconfig directory.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck disable=SC2046 # the flags are meant to split into words
cc -Wall -Wextra -Werror $(pkg-config --cflags qdtype32) -o "$1" "$here/../report.c" \
  $(pkg-config --libs qdtype32) "-Wl,-rpath,$(pkg-config --variable=libdir qdtype32)"
