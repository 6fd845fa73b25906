#!/usr/bin/env bash
# Opens a document in GIMP on a virtual X display with the plug-in of a
# build-gimp profile, starts an interactive save, and saves a screenshot of
# the screen (the image window, the dock with the Layers dialog and the save
# dialog) as a PNG.
#
#   bash scripts/gimp-screenshot.sh BUILD_DIR FILE.dov OUT.png
set -euo pipefail
build=$(realpath "$1") file=$(realpath "$2") shot=$(realpath -m "$3")
export GIMP2_DIRECTORY=$build/gimp-profile
work=$(dirname "$shot")

display=""
for n in $(seq 140 180); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
gimp_pid=""
cleanup() {
  [ -z "$gimp_pid" ] || kill "$gimp_pid" 2>/dev/null || true
  [ -z "$gimp_pid" ] || wait "$gimp_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 300); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
export DISPLAY=:$display

# GIMP keeps images of a GIMP that was ended for an image-recovery dialog at
# its next start: this GIMP starts without it.
rm -rf "$GIMP2_DIRECTORY/backups"

# GIMP's own window layout, with the window filling the screen and a dock
# wide enough for the layer names.
sed -e 's/(position 200 100)/(position 0 0)/' -e 's/(size 1024 768)/(size 1280 900)/' \
    -e 's/(right-docks-width "205")/(right-docks-width "330")/' \
    /etc/gimp/2.0/sessionrc >"$GIMP2_DIRECTORY/sessionrc"

# The document is opened in a window, then saved interactively: the save
# dialog stays open in front of it while the screen is taken.
saved=$work/screenshot-save.dov
# (GIMP's own load and save calls find the plug-in by the extension.)
gimp-2.10 --no-splash -d -f -b "(let* ((img (car (gimp-file-load RUN-NONINTERACTIVE \"$file\" \"$file\"))))
                                  (gimp-display-new img)
                                  (gimp-file-save RUN-INTERACTIVE img (car (gimp-image-get-active-drawable img))
                                                  \"$saved\" \"$saved\"))" >"$work/gimp-gui.log" 2>&1 &
gimp_pid=$!
# The image window's title names the image; the dialog has the converter's
# caption.
base=$(basename "$file" .dov)
shown() { xwininfo -root -tree 2>/dev/null | grep -F "$base" >/dev/null &&
          xwininfo -root -tree 2>/dev/null | grep -F "DorvStudio Format Options" >/dev/null; }
# GIMP's first start with a profile, or a busy machine, can take minutes.
deadline=$(($(date +%s) + 400))
while [ "$(date +%s)" -lt "$deadline" ]; do
  shown && break
  kill -0 "$gimp_pid" 2>/dev/null || { echo "GIMP ended early" >&2; cat "$work/gimp-gui.log" >&2; exit 1; }
  sleep 1
done
shown || { echo "GIMP showed no window for $base or no save dialog" >&2; exit 1; }
sleep 5
xwininfo -root -tree >"$work/windows.txt"
xwd -root -silent >"$work/screen.xwd"

# GIMP itself turns the dump into a PNG.
gimp-console-2.10 -i -d -f -b "(let* ((img (car (file-xwd-load RUN-NONINTERACTIVE \"$work/screen.xwd\" \"screen.xwd\")))
                                     (layer (car (gimp-image-get-active-layer img))))
                                (file-png-save-defaults RUN-NONINTERACTIVE img layer \"$shot\" \"$shot\"))" \
  -b '(gimp-quit 0)' >"$work/xwd-to-png.log" 2>&1
rm -f "$work/screen.xwd"
[ -s "$shot" ] || { echo "no screenshot written" >&2; exit 1; }
echo "screenshot: $shot"
