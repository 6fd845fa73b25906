#!/usr/bin/env bash
# Packs the Windows release: a zip with the module pairs of both
# architectures and an installer for 64-bit Windows that finds the image
# editor's installations itself.
#
#   bash scripts/package-windows.sh [--no-build]
#
# Builds the modules first (scripts/build-windows.sh) unless --no-build.
# Results: dist/DorvFormat-VERSION-windows.zip (x64\ and x86\, each with
# DorvFormat.8bi, dorvformat.dll, README.txt and the licences of what is
# linked in) and dist/DorvFormat-VERSION-setup.exe (made with makensis).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${DORV_WIN_BUILD:-$root/build-win}
dist=${DORV_DIST:-$root/dist}
build=1
while (($#)); do
  case "$1" in
    --no-build) build=0 ;;
    *) echo "usage: $0 [--no-build]" >&2; exit 2 ;;
  esac
  shift
done

bash scripts/install-deps.sh nsis zip
((build == 0)) || bash scripts/build-windows.sh

version=$(sed -nE 's/^project\(DorvFormat VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }
for f in i686/DorvFormat.8bi i686/dorvformat.dll x86_64/DorvFormat.8bi x86_64/dorvformat.dll \
         x86_64/dorvthumbs.dll; do
  [ -f "$out/dist/$f" ] || { echo "missing $out/dist/$f: run scripts/build-windows.sh" >&2; exit 1; }
done

# The licence texts of what each module links in, from Debian's copyright
# files of the packages it was built with.
licence_sources() {  # arch
  local mingw=x86-64
  [ "$1" = i686 ] && mingw=i686
  echo "zlib.txt /usr/share/doc/libz-mingw-w64-dev/copyright"
  echo "libjpeg-turbo.txt /usr/share/doc/libjpeg62-turbo/copyright"
  echo "mingw-w64-runtime-and-winpthreads.txt /usr/share/doc/mingw-w64-$mingw-dev/copyright"
  echo "gcc-runtime-and-libstdc++.txt /usr/share/doc/gcc-mingw-w64-base/copyright"
}
copy_licences() {  # arch folder
  mkdir -p "$2"
  licence_sources "$1" | while read -r name source; do
    [ -f "$source" ] || { echo "missing licence text $source" >&2; exit 1; }
    cp "$source" "$2/$name"
  done
}

stage=$out/package
rm -rf "$stage" && mkdir -p "$stage/zip" "$stage/setup" "$dist"
for pair in "x64 x86_64 64" "x86 i686 32"; do
  read -r folder arch bits <<<"$pair"
  dir=$stage/zip/$folder
  mkdir -p "$dir"
  cp "$out/dist/$arch/DorvFormat.8bi" "$out/dist/$arch/dorvformat.dll" "$dir/"
  copy_licences "$arch" "$dir/licenses"
  sed -e "s/@BITS@/$bits/g" -e "s/@VERSION@/$version/g" -e 's/$/\r/' \
    installer/README.txt.in >"$dir/README.txt"
  # The installer takes the same pairs.
  mkdir -p "$stage/setup/$folder"
  cp "$dir/DorvFormat.8bi" "$dir/dorvformat.dll" "$stage/setup/$folder/"
done
cp "$out/dist/x86_64/dorvthumbs.dll" "$stage/setup/"
copy_licences x86_64 "$stage/setup/licenses"

zip_file=$dist/DorvFormat-$version-windows.zip
rm -f "$zip_file"
# Fixed times and order, so that the same modules give the same archive.
find "$stage/zip" -exec touch -h -d '2000-01-01 00:00:00 UTC' {} +
(cd "$stage/zip" && find x64 x86 -type f | LC_ALL=C sort | zip -X -q -D "$zip_file" -@)

setup=$dist/DorvFormat-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage/setup" -DOUTFILE="$setup" \
  installer/dorvformat.nsi
echo "packed $zip_file and $setup"
