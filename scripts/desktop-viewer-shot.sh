#!/usr/bin/env bash
# Opens a document in a real image viewer on a virtual X display, with the
# built plug-ins, waits for its window, and keeps a screenshot of the screen
# as a PNG; then checks that colours of the document's frames show in it.
#
#   bash scripts/desktop-viewer-shot.sh BUILD_DIR eog|qimgv FILE.dov OUT.png COLOURS...
#
# COLOURS are groups as tests/desktop/screen_colours.py takes them;
# DORV_PLAYED="GROUP GROUP" also checks that the animation plays.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build=$(realpath "$1") viewer=$2 file=$(realpath "$3") shot=$(realpath -m "$4")
shift 4
work=$(dirname "$shot")/$viewer
rm -rf "$work"
mkdir -p "$work/home"

display=""
for n in $(seq 181 220); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
viewer_pid=""
cleanup() {
  [ -z "$viewer_pid" ] || kill "$viewer_pid" 2>/dev/null || true
  [ -z "$viewer_pid" ] || wait "$viewer_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
# Ready when it answers, not when its socket appears.
for _ in $(seq 300); do
  xdpyinfo -display ":$display" >/dev/null 2>&1 && break
  sleep 0.1
done

# The viewer in a home of its own, finding the plug-ins that were built and
# the MIME type (gdk-pixbuf tells documents by it).
env=(DISPLAY=":$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
     XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_DIRS="$build/desktop-share:/usr/share"
     GDK_PIXBUF_MODULE_FILE="$build/gdk-pixbuf-loaders/loaders.cache" GSETTINGS_BACKEND=memory
     NO_AT_BRIDGE=1 QT_PLUGIN_PATH="$build/qt5-plugins" QT_QPA_PLATFORM=xcb)
case $viewer in
  eog) command=(eog --new-instance "$file") ;;
  qimgv) command=(qimgv "$file") ;;
  *) echo "unknown viewer $viewer" >&2; exit 2 ;;
esac
env "${env[@]}" dbus-run-session -- "${command[@]}" >"$work/viewer.log" 2>&1 &
viewer_pid=$!

# The window's title names the file.
base=$(basename "$file")
shown() { DISPLAY=":$display" xwininfo -root -tree 2>/dev/null | grep -F "$base" >/dev/null; }
deadline=$(($(date +%s) + 120))
while [ "$(date +%s)" -lt "$deadline" ]; do
  shown && break
  kill -0 "$viewer_pid" 2>/dev/null || { echo "$viewer ended early" >&2; cat "$work/viewer.log" >&2; exit 1; }
  sleep 0.5
done
shown || { echo "$viewer showed no window for $base" >&2; cat "$work/viewer.log" >&2; exit 1; }
sleep 3
DISPLAY=":$display" xwininfo -root -tree >"$work/windows.txt"
DISPLAY=":$display" xwd -root -silent >"$work/screen.xwd"
status=0
/usr/bin/python3 "$here/tests/desktop/screen_colours.py" "$work/screen.xwd" "$shot" "$@" || status=$?
# With DORV_PLAYED="GROUP GROUP" (colours of two frames): screens taken in
# turn for about two seconds must show both, one after the other.
if [ -n "${DORV_PLAYED:-}" ]; then
  for k in $(seq 10); do
    DISPLAY=":$display" xwd -root -silent >"$work/screen$k.xwd"
    sleep 0.15
  done
  # shellcheck disable=SC2086
  /usr/bin/python3 "$here/tests/desktop/screen_colours.py" --played $DORV_PLAYED "$work"/screen*.xwd || status=$?
fi
rm -f "$work"/screen*.xwd
echo "$viewer: screenshot $shot"
exit $status
