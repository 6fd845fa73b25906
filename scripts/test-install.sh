#!/usr/bin/env bash
# Installs the project into a temporary prefix, builds the examples against
# the installed files twice (with pkg-config and with CMake's find_package)
# and runs them, runs the installed dovtool, and checks that libdov exports
# only dov_ names.
#
#   bash scripts/test-install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
pc=$(find "$prefix" -name dov.pc)
libdir=$(dirname "$(dirname "$pc")")
[ -f "$prefix/include/dov/dov.h" ] || { echo "install: dov/dov.h missing" >&2; exit 1; }
[ -e "$libdir/libdov.so.1" ] && [ -f "$libdir/libdov.a" ] || { echo "install: libdov.so.1 or libdov.a missing" >&2; exit 1; }
[ -f "$libdir/cmake/dov/dovConfig.cmake" ] || { echo "install: CMake package missing" >&2; exit 1; }

# Only dov_ functions leave the shared library (and its version node).
others=$(nm -D --defined-only "$libdir/libdov.so.1" | awk '{print $3}' | grep -v -e '^dov_' -e '^DOV_1$' || true)
if [ -n "$others" ]; then
  echo "libdov exports names other than dov_:" >&2
  echo "$others" >&2
  exit 1
fi
echo "install: libdov exports $(nm -D --defined-only "$libdir/libdov.so.1" | grep -c ' dov_') dov_ functions and nothing else"

run_examples() {  # DIR: the two programs built there
  local bin=$1
  "$bin/dov_two_frames" "$work/two.dov" >/dev/null
  local listing
  listing=$("$bin/dov_frames" "$work/two.dov" 1 "$work/frame1.ppm")
  [ "$listing" = $'frame 0: 32 x 32, 250 ms\nframe 1: 32 x 32, 250 ms' ] || { echo "unexpected listing: $listing" >&2; exit 1; }
  [ "$(head -c 2 "$work/frame1.ppm")" = P6 ] || { echo "no PPM written" >&2; exit 1; }
  "$bin/dov_frames" "$root/samples/animation.dov" 2 "$work/anim2.ppm" | grep -q 'frame 2: 96 x 64, 120 ms'
  # Bad input gets libdov's message and a failure, never a crash.
  if "$bin/dov_frames" "$root/README.md" 2>"$work/err.txt"; then echo "a text file was read" >&2; exit 1; fi
  grep -q 'not a DorvStudio document\|README.md:' "$work/err.txt"
}

# pkg-config.
export PKG_CONFIG_PATH=$libdir/pkgconfig
mkdir -p "$work/pc"
cc -std=c99 -Wall -Wextra -Werror $(pkg-config --cflags dov) examples/frames.c -o "$work/pc/dov_frames" \
  $(pkg-config --libs dov) -Wl,-rpath,"$libdir"
c++ -std=c++17 -Wall -Wextra -Werror $(pkg-config --cflags dov) examples/two_frames.cpp -o "$work/pc/dov_two_frames" \
  $(pkg-config --libs dov) -Wl,-rpath,"$libdir"
run_examples "$work/pc"
echo "install: examples built with pkg-config and run"

# CMake's find_package.
cmake -S examples -B "$work/cm" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cm" >/dev/null
run_examples "$work/cm"
echo "install: examples built with find_package(dov) and run"

# The installed dovtool finds the installed library.
"$prefix/bin/dovtool" info "$root/samples/palette4.dov" | grep -q '"frames":1'
echo "install: installed dovtool runs"
