#!/usr/bin/env bash
# Runs two builds' dovtool over the same inputs and compares every byte they
# write: documents from PNGs (libdov's encoder and the plug-in's save through
# the converter), and the pixels, thumbnails and info read from the samples,
# the fuzz regression inputs and the documents just written.
#   bash scripts/compare-builds.sh OLD_BUILD NEW_BUILD [WORK_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
old=$(realpath "$1") new=$(realpath "$2") work=${3:-$(mktemp -d)}
mkdir -p "$work/png"
[ -e "$work/png/rgb_big.png" ] || /usr/bin/python3 scripts/make-check-pngs.py "$work/png" >/dev/null

run() {  # run BUILD OUT
  local bin=$1/bin out=$2 tool=$1/bin/dovtool
  rm -rf "$out"
  mkdir -p "$out/written" "$out/read"
  local inputs=(samples/*.dov tests/fuzz_regressions/*/*)
  for png in "$work"/png/*.png; do
    local n
    n=$(basename "$png" .png)
    for c in zlib none lossy; do
      "$tool" from-png --quiet --compression $c -o "$out/written/$n.$c.dov" "$png" || echo "from-png $n $c: $?"
    done
    "$tool" from-png --quiet --compression lossy -q 23 -o "$out/written/$n.q23.dov" "$png" || echo "q23 $n: $?"
    "$tool" host save "$png" "$out/written/$n.host.dov" --skip-options --plugin "$bin/DorvFormat.8bi" \
      >/dev/null 2>&1 || echo "host save $n: $?"
  done
  "$tool" from-png --quiet --frames --delay 40 -o "$out/written/frames.dov" \
    "$work"/png/rgba_33x5f.png "$work"/png/rgba_33x5n.png || echo "frames: $?"
  inputs+=("$out"/written/*.dov)
  local i=0
  for f in "${inputs[@]}"; do
    [ -f "$f" ] || continue
    i=$((i + 1))
    local d="$out/read/$i"
    mkdir -p "$d"
    "$tool" info --frames "$f" 2>&1 | sed "s#$out/##; s#$1#BUILD#g" >"$d/info.txt" || true
    "$tool" to-png --quiet --allow-damaged --all-frames --out-dir "$d" "$f" >/dev/null 2>&1 || echo "to-png $?" >>"$d/info.txt"
    "$tool" to-png --quiet --allow-damaged --all-frames --layers --out-dir "$d" "$f" >/dev/null 2>&1 || echo "layers $?" >>"$d/info.txt"
    "$tool" thumbnail -s 40 "$f" "$d/thumb.png" >/dev/null 2>&1 || echo "thumb $?" >>"$d/info.txt"
    "$tool" host open "$f" "$d/host.png" --plugin "$bin/DorvFormat.8bi" >"$d/host.txt" 2>&1 || echo "host open $?" >>"$d/info.txt"
  done
}

# The old build's outputs are kept between runs over the same work folder.
[ -e "$work/old/done" ] || { run "$old" "$work/old"; touch "$work/old/done"; }
run "$new" "$work/new"
touch "$work/new/done"
echo "$(find "$work/old" -type f | wc -l) files written per build in $work"
if diff -r "$work/old" "$work/new" >"$work/diff.txt"; then
  echo "identical"
else
  head -40 "$work/diff.txt"
  echo "DIFFERENT"
  exit 1
fi
