#!/usr/bin/env bash
# Cross-builds the two Windows modules, dorvformat.dll and DorvFormat.8bi,
# for 32-bit (i686) and 64-bit (x86_64) Windows with mingw-w64. Each module
# is linked statically to the C and C++ runtimes, winpthread, zlib and
# libjpeg, so that it needs nothing beside its twin.
#
#   bash scripts/build-windows.sh [--tests] [--arch i686|x86_64]...
#
# --tests also builds the x86_64 test programs (run by test-windows.sh).
# Results: build-win/dist/<arch>/{dorvformat.dll,DorvFormat.8bi}, and
# dorvthumbs.dll (the Explorer thumbnail handler) for x86_64.
# libjpeg has no mingw package: it is built once per architecture from
# Debian's libjpeg-turbo source package and kept in build-win/deps.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${DORV_WIN_BUILD:-$root/build-win}
jobs=${DORV_WIN_JOBS:-2}
with_tests=0
arches=()
while (($#)); do
  case "$1" in
    --tests) with_tests=1 ;;
    --arch) shift; arches+=("${1:?--arch needs i686 or x86_64}") ;;
    *) echo "usage: $0 [--tests] [--arch i686|x86_64]..." >&2; exit 2 ;;
  esac
  shift
done
((${#arches[@]})) || arches=(i686 x86_64)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# ---- Packages --------------------------------------------------------------
packages=(cmake make g++ mingw-w64 libz-mingw-w64-dev dpkg-dev googletest)
bash scripts/install-deps.sh "${packages[@]}"

# ---- libjpeg from Debian's source package ---------------------------------
deps=$out/deps
mkdir -p "$deps/src"

# apt-get source needs a deb-src entry for the archive the system installs
# from; one is added beside the existing entries when there is none.
ensure_deb_src() {
  if grep -rqsE '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 0
  fi
  local list=/etc/apt/sources.list.d/dorv-deb-src
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      $SUDO tee "$list.sources" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      $SUDO tee "$list.list" >/dev/null
  else
    echo "no apt source entry to derive a deb-src entry from" >&2
    return 1
  fi
  $SUDO apt-get update
}

jpeg_src=$(find "$deps/src" -maxdepth 2 -name CMakeLists.txt -path '*libjpeg-turbo-*' 2>/dev/null |
  head -n1 | xargs -r dirname)
if [ -z "$jpeg_src" ]; then
  ensure_deb_src
  # The same version as the Linux build's libjpeg, when it is known.
  version=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev 2>/dev/null || true)
  (cd "$deps/src" &&
    { { [ -n "$version" ] && apt-get source "libjpeg-turbo=$version"; } ||
      apt-get source libjpeg-turbo; })
  jpeg_src=$(find "$deps/src" -maxdepth 2 -name CMakeLists.txt -path '*libjpeg-turbo-*' |
    head -n1 | xargs dirname)
fi
jpeg_version=$(basename "$jpeg_src")

build_jpeg() {
  local arch=$1 prefix=$deps/$1
  if [ -f "$prefix/lib/libjpeg.a" ] && [ "$(cat "$prefix/.source" 2>/dev/null)" = "$jpeg_version" ]; then
    return 0
  fi
  echo "building $jpeg_version for $arch"
  rm -rf "$deps/jpeg-build-$arch" "$prefix"
  cmake -S "$jpeg_src" -B "$deps/jpeg-build-$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF >"$deps/jpeg-build-$arch.log"
  cmake --build "$deps/jpeg-build-$arch" --target jpeg-static -j"$jobs" >>"$deps/jpeg-build-$arch.log"
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$deps/jpeg-build-$arch/libjpeg.a" "$prefix/lib/"
  cp "$deps/jpeg-build-$arch/jconfig.h" "$jpeg_src/jpeglib.h" "$jpeg_src/jmorecfg.h" \
    "$jpeg_src/jerror.h" "$prefix/include/"
  echo "$jpeg_version" >"$prefix/.source"
  rm -rf "$deps/jpeg-build-$arch"
}

# ---- The modules -------------------------------------------------------------
for arch in "${arches[@]}"; do
  case "$arch" in i686 | x86_64) ;; *) echo "unknown architecture $arch" >&2; exit 2 ;; esac
  build_jpeg "$arch"
  tests=OFF
  if ((with_tests)) && [ "$arch" = x86_64 ]; then tests=ON; fi
  cmake -S . -B "$out/$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_TESTS=$tests -DDORV_BUILD_BENCH=OFF \
    -DDORV_BUILD_FUZZ=OFF \
    -DJPEG_INCLUDE_DIR="$deps/$arch/include" -DJPEG_LIBRARY="$deps/$arch/lib/libjpeg.a" >/dev/null
  cmake --build "$out/$arch" -j"$jobs"
  mkdir -p "$out/dist/$arch"
  cp "$out/$arch/bin/dorvformat.dll" "$out/$arch/bin/DorvFormat.8bi" "$out/dist/$arch/"
  # The Explorer thumbnail handler exists for 64-bit Windows only.
  if [ -f "$out/$arch/bin/dorvthumbs.dll" ]; then cp "$out/$arch/bin/dorvthumbs.dll" "$out/dist/$arch/"; fi
done
echo "Windows modules in $out/dist"
