#!/usr/bin/env bash
# The desktop plug-ins (Qt image formats for Qt 5 and Qt 6, the gdk-pixbuf
# loader) as desktop programs use them:
#  - the Qt and gdk-pixbuf test programs and the Python animation test, in
#    the normal build and under AddressSanitizer + UBSan (every test
#    document, the damaged, hostile and fuzz files among them);
#  - gdk-pixbuf-thumbnailer makes a thumbnail of each sample, and refuses
#    damaged files without crashing;
#  - eog and qimgv open the animation sample under Xvfb: their screenshots
#    are kept and must show the frame's colours;
#  - install-desktop.sh for a user (in a home of its own) and staged for the
#    system, and its --remove.
#
#   bash scripts/test-desktop.sh
#
# Uses the build folders of scripts/test.sh (build and build-asan; they are
# configured again, which finds the toolkits once their packages are in).
# Artefacts (screenshots, thumbnails, logs): build/desktop-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${DORV_DESKTOP_BUILD:-$root/build}
asan=${DORV_DESKTOP_ASAN_BUILD:-$root/build-asan}
out=$build/desktop-artifacts
jobs=$(nproc 2>/dev/null || echo 2)
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# ---- Packages -------------------------------------------------------------------
bash scripts/install-deps.sh
bash scripts/install-deps.sh qt6-base-dev qtbase5-dev libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin \
  python3-gi gir1.2-gdkpixbuf-2.0 shared-mime-info eog qimgv dbus-daemon xvfb x11-apps x11-utils
echo "desktop: packages ready after $(elapsed)"

# ---- Builds and test programs ------------------------------------------------------
targets=(dovtool dorv_qt6_tests dorv_qt5_tests dorv_pixbuf_tests)
configure() {  # DIR ARGS...: an existing folder keeps its settings
  local dir=$1
  shift
  if [ -f "$dir/CMakeCache.txt" ]; then cmake -S . -B "$dir" >/dev/null; else cmake -S . -B "$dir" "$@" >/dev/null; fi
}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
configure "$build" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
cmake --build "$build" -j"$jobs" --target "${targets[@]}"
ctest --test-dir "$build" -L desktop --output-on-failure || fail "desktop tests (normal build)"
echo "desktop: normal build tested after $(elapsed)"
configure "$asan" -DCMAKE_BUILD_TYPE=Debug -DDORV_SANITIZE=ON -DDORV_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build "$asan" -j"$jobs" --target "${targets[@]}"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$asan" -L desktop --output-on-failure || fail "desktop tests under AddressSanitizer"
echo "desktop: sanitizer build tested after $(elapsed)"

rm -rf "$out"
mkdir -p "$out/thumbnails"
export_env=(GDK_PIXBUF_MODULE_FILE="$build/gdk-pixbuf-loaders/loaders.cache"
            XDG_DATA_DIRS="$build/desktop-share:/usr/share")

# ---- Thumbnails ---------------------------------------------------------------------
for sample in samples/*.dov; do
  base=$(basename "$sample" .dov)
  thumb=$out/thumbnails/$base.png
  env "${export_env[@]}" gdk-pixbuf-thumbnailer -s 128 "$sample" "$thumb" || fail "no thumbnail of $base"
  size=$(env "${export_env[@]}" /usr/bin/python3 -c "
import sys, gi
gi.require_version('GdkPixbuf', '2.0')
from gi.repository import GdkPixbuf
f, w, h = GdkPixbuf.Pixbuf.get_file_info(sys.argv[1])
print(f.get_name(), max(w, h))" "$thumb" 2>/dev/null || true)
  [ "$size" = "png 128" ] || fail "$base thumbnail: $size (a PNG fitted to 128 expected)"
done
head -c 20 samples/animation.dov >"$out/thumbnails/cut.dov"
rc=0
env "${export_env[@]}" gdk-pixbuf-thumbnailer -s 128 "$out/thumbnails/cut.dov" "$out/thumbnails/cut.png" \
  2>"$out/thumbnails/cut.log" || rc=$?
{ [ "$rc" -ne 0 ] && [ "$rc" -lt 128 ]; } || fail "a cut file: thumbnailer status $rc (a refusal expected)"
echo "desktop: thumbnails checked after $(elapsed)"

# ---- Viewers -------------------------------------------------------------------------
# The sample's background shows in every frame; its ball is one of two
# greens from frame to frame. Its sky's lightest rows tell frame 0 (and 2)
# from frame 1: eog must show both in turn, playing the animation; qimgv
# shows one frame still.
played="95addc,95ade4,96aedc,96aee4:24 95addf,95ade7,96aedf,96aee7:24"
for viewer in eog qimgv; do
  [ "$viewer" = eog ] && export DORV_PLAYED=$played || unset DORV_PLAYED
  bash scripts/desktop-viewer-shot.sh "$build" "$viewer" samples/animation.dov "$out/$viewer.png" \
    204060:100 60e040,20e040:20 || fail "$viewer does not show the animation (see $out/$viewer)"
done
unset DORV_PLAYED
echo "desktop: viewers checked after $(elapsed)"

# ---- install-desktop.sh ------------------------------------------------------------------
home=$(mktemp -d)
staged=$(mktemp -d)
trap 'rm -rf "$home" "$staged"' EXIT
HOME=$home DOV_DESKTOP_BUILD=$build bash scripts/install-desktop.sh --user >"$out/install-user.log"
envfile=$home/.config/environment.d/60-dorvformat.conf
if [ -f "$envfile" ]; then
  qt_path=$(sed -n 's/^QT_PLUGIN_PATH=\([^$]*\).*/\1/p' "$envfile")
  module_file=$(sed -n 's/^GDK_PIXBUF_MODULE_FILE=//p' "$envfile")
  # The installed pieces alone: the thumbnail through the user's loader cache
  # (the MIME type from the user's folder), Qt finding the user's plug-ins.
  env GDK_PIXBUF_MODULE_FILE="$module_file" XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS=/usr/share \
    gdk-pixbuf-thumbnailer -s 64 samples/palette4.dov "$out/installed-thumbnail.png" ||
    fail "the installed loader makes no thumbnail"
  for major in 6 5; do
    QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=$qt_path "$build/bin/dorv_qt${major}_tests" \
      --gtest_filter='QtPlugin.IsListed*:QtPlugin.JumpsToAFrame' --gtest_brief=1 >/dev/null ||
      fail "Qt $major does not find the installed plug-in"
  done
  "$home/.local/bin/dovtool" info samples/palette4.dov >/dev/null || fail "the installed dovtool does not run"
else
  fail "install-desktop.sh --user wrote no environment file"
fi
HOME=$home bash scripts/install-desktop.sh --user --remove >>"$out/install-user.log"
left=$(find "$home" \( -name 'libqdov.so' -o -name 'libpixbufloader-dov.so' -o -name 'dovtool*' -o -name 'libdov*' \
  -o -name 'dorvstudio.xml' -o -name '*dorvformat*' \) | head -3)
[ -z "$left" ] || fail "--remove left: $left"

DESTDIR=$staged DOV_DESKTOP_BUILD=$build bash scripts/install-desktop.sh --system >"$out/install-system.log"
for major in 6 5; do
  [ -n "$(find "$staged" -path "*qt$major/plugins/imageformats/libqdov.so")" ] || fail "Qt $major plug-in not staged"
done
cache=$(find "$staged" -name loaders.cache | head -1)
[ -n "$cache" ] && grep -q '"image/x-dorvstudio"' "$cache" || fail "the staged loaders.cache does not name the loader"
[ -z "$cache" ] || ! grep -qF "$staged" "$cache" || fail "the staged loaders.cache names the staging folder"
[ -x "$staged/usr/local/lib/dorvformat/dovtool" ] || fail "dovtool not staged"
DESTDIR=$staged bash scripts/install-desktop.sh --system --remove >>"$out/install-system.log"
left=$(find "$staged" \( -name 'libqdov.so' -o -name 'libpixbufloader-dov.so' -o -name 'dovtool*' \) | head -3)
[ -z "$left" ] || fail "--system --remove left: $left"
echo "desktop: install-desktop.sh checked after $(elapsed)"

if [ "$failed" != 0 ]; then
  echo "desktop: FAILED (artefacts: $out)"
  exit 1
fi
echo "desktop: all checks passed in $(elapsed)"
