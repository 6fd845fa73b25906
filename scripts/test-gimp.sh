#!/usr/bin/env bash
# The GIMP plug-in in a real GIMP, headless: gimp-console runs the Script-Fu
# of tests/gimp/file-dov-tests.scm against the plug-in in a private GIMP
# profile, and this script judges what it printed and wrote:
#  - every sample opens with one layer per frame, each layer's pixels equal
#    to the frame dovtool writes;
#  - a three-layer image saved with each compression (and as its visible
#    composite, and as indexed and grey images) reads back with dovtool
#    frame for frame, and opens again with its delays;
#  - truncated, hostile and foreign files are refused or opened with a
#    warning, the plug-in never crashes, and GIMP answers after each;
#  - a screenshot of GIMP (under Xvfb) with an animation open and its
#    Layers dialog showing the frames.
#
#   bash scripts/test-gimp.sh [--no-screenshot]
#
# Artefacts (written files, GIMP's output, the screenshot): build-gimp/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${DORV_GIMP_BUILD:-$root/build-gimp}
out=$build/artifacts
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }
screenshot=1
[ "${1:-}" = "--no-screenshot" ] && screenshot=0

# ---- Packages and build -------------------------------------------------------
bash scripts/install-deps.sh
bash scripts/install-deps.sh gimp libgimp2.0-dev xvfb x11-apps x11-utils
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_BENCH=OFF -DDORV_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" \
  --target file-dov dovtool dorv_png_compare dorv_write_hostile dorv_gimp_tests
bin=$build/bin
echo "gimp: built after $(elapsed)"
"$bin/dorv_gimp_tests" --gtest_brief=1

# A GIMP profile of its own, kept between runs (its first start is slow);
# the plug-in is installed into it afresh.
export GIMP2_DIRECTORY=$build/gimp-profile
mkdir -p "$GIMP2_DIRECTORY/plug-ins/file-dov"
install -m 755 "$build/gimp-plug-ins/file-dov/file-dov" "$GIMP2_DIRECTORY/plug-ins/file-dov/file-dov"
rm -rf "$out"
mkdir -p "$out/damaged"

# ---- Files to refuse or rescue --------------------------------------------------
damaged=$out/damaged
head -c "$(($(stat -c %s samples/animation.dov) / 2))" samples/animation.dov >"$damaged/truncated_frames.dov"
head -c 20 samples/animation.dov >"$damaged/truncated_header.dov"
printf 'not a document\n' >"$damaged/text.dov"
"$bin/dovtool" to-png samples/palette4.dov -o "$damaged/png_renamed.dov" >/dev/null
"$bin/dorv_write_hostile" "$damaged" >/dev/null

samples=(samples/*.dov)
{
  echo "(define dov-out \"$out\")"
  printf '(define dov-samples (list'; printf ' "%s"' "${samples[@]/#/$root/}"; echo '))'
  printf '(define dov-damaged (list'; printf ' "%s"' "$damaged"/*.dov; echo '))'
} >"$out/args.scm"

# ---- GIMP --------------------------------------------------------------------
status=0
# The processor time of the run (GIMP and every plug-in it starts) is
# reported beside the time it took, which a busy machine stretches.
TIMEFORMAT="gimp: headless run took %0R s, %0U s user + %0S s system"
time {
  gimp-console-2.10 -i -d -f \
    -b "(begin (load \"$out/args.scm\") (load \"$root/tests/gimp/file-dov-tests.scm\"))" \
    -b '(gimp-quit 0)' >"$out/gimp.out" 2>"$out/gimp.err" || status=$?
}
echo "gimp: headless run done after $(elapsed) (status $status)"

failed=0
fail() { echo "FAIL: $*"; failed=1; }
said() { sed -n "s/^.*DOVTEST $1//p" "$out/gimp.err"; }
grep -q "DOVTEST done" "$out/gimp.err" || fail "the Script-Fu run did not finish (see $out/gimp.err)"
if grep -Eiq "crashed|segmentation|terminated" "$out/gimp.err"; then
  fail "the plug-in crashed: $(grep -Ei 'crashed|segmentation|terminated' "$out/gimp.err" | head -3)"
fi

# Frames as dovtool writes them, renamed PREFIX-K.png for K from 0.
dovtool_frames() {
  local file=$1 prefix=$2 dir f k=0
  dir=$(mktemp -d "$out/dovtool.XXXXXX")
  "$bin/dovtool" to-png -q --all-frames --allow-damaged --out-dir "$dir" "$file"
  for f in "$dir"/*.f[0-9][0-9][0-9].png; do
    mv "$f" "$prefix-$k.png"
    k=$((k + 1))
  done
  rmdir "$dir"
}
delays_of() { "$bin/dovtool" info --frames "$1" | grep -o '"delay_ms":[0-9]*' | cut -d: -f2 | xargs; }
# Compares PREFIX-K.png with EXPECTED-K.png for K below COUNT.
compare_frames() {
  local what=$1 got=$2 expected=$3 count=$4 tolerance=${5:-0} k how
  for ((k = 0; k < count; k++)); do
    [ -f "$got-$k.png" ] || { fail "$what frame $k: $got-$k.png is missing"; continue; }
    if [[ "$tolerance" == mean* ]]; then how=(--mean-tolerance "${tolerance#mean}"); else how=(--tolerance "$tolerance"); fi
    if ! result=$("$bin/dorv_png_compare" "$got-$k.png" "$expected-$k.png" "${how[@]}"); then
      fail "$what frame $k: $result"
    fi
  done
}
frames_of() { "$bin/dovtool" info "$1" | sed -n 's/.*"frames":\([0-9]*\).*/\1/p'; }

# Samples: one layer a frame, each the frame dovtool writes.
for sample in "${samples[@]}"; do
  base=$(basename "$sample" .dov)
  frames=$(frames_of "$sample")
  line=$(said "open $base ")
  [ "$(sed -n 's/^layers=\([0-9]*\).*/\1/p' <<<"$line")" = "$frames" ] ||
    fail "$base: $frames frames, GIMP says: $line"
  dovtool_frames "$sample" "$out/dovtool-$base"
  compare_frames "$base" "$out/dovtool-$base" "$out/open-$base" "$frames"
done
said "thumb " | grep -q "layers=1" || fail "the thumbnail is not one frame: $(said 'thumb ')"

# The three-layer image, saved and read back.
expect_names="names=Frame 1 (100ms)|Frame 2 (250ms)|Frame 3 (40ms)"
for variant in zlib:three-expected:0 none:three-expected:0 lossy:three-expected:mean8 \
               indexed:three-indexed-expected:0 grey:three-grey-expected:0 16bit:three-expected:0; do
  IFS=: read -r name expected tolerance <<<"$variant"
  file=$out/three-$name.dov
  [ -f "$file" ] || { fail "three-$name.dov was not written"; continue; }
  [ "$(frames_of "$file")" = 3 ] || fail "three-$name.dov holds $(frames_of "$file") frames, not 3"
  dovtool_frames "$file" "$out/dovtool-three-$name"
  # GIMP opens the saved file with exactly dovtool's pixels; both are the
  # saved layers (within the tolerance of lossy coding).
  compare_frames "three-$name (opened again)" "$out/reload-three-$name" "$out/dovtool-three-$name" 3
  compare_frames "three-$name (dovtool)" "$out/dovtool-three-$name" "$out/$expected" 3 "$tolerance"
  [ "$(delays_of "$file")" = "100 250 40" ] || fail "three-$name.dov delays: $(delays_of "$file")"
  said "reload three-$name " | grep -qF "$expect_names" ||
    fail "three-$name opened again: $(said "reload three-$name ")"
done
grep -q "saved with 8 bits a channel" "$out/gimp.err" || fail "no warning for the 16-bit save"
[ "$(frames_of "$out/three-composite.dov")" = 1 ] || fail "the composite-only save is not one frame"
dovtool_frames "$out/three-composite.dov" "$out/dovtool-three-composite"
compare_frames "three-composite" "$out/dovtool-three-composite" "$out/three-composite-expected" 1
said "reload three-indexed " | grep -q "type=indexed" || fail "the indexed save does not open indexed"
for bad in bad-compression bad-quality; do
  [ "$(said "$bad ")" = refused ] || fail "$bad was not refused"
  [ ! -e "$out/$bad.dov" ] || fail "$bad.dov was written"
done

# Damaged files: refused, opened or opened with a warning, as dovtool reads
# them; GIMP alive after each.
for file in "$damaged"/*.dov; do
  base=$(basename "$file" .dov)
  line=$(said "damaged $base ")
  [ -n "$line" ] || { fail "$base: no result"; continue; }
  rc=0
  "$bin/dovtool" info -q "$file" >/dev/null 2>&1 || rc=$?
  case $rc in
    0 | 3) expected=opened ;;
    *) expected=refused ;;
  esac
  [[ "$line" == "$expected"* ]] || fail "$base: dovtool says $expected (status $rc), GIMP: $line"
  if [ "$rc" = 3 ]; then
    grep -qF "$base.dov' is damaged" "$out/gimp.err" || fail "$base: opened without a warning"
  fi
done
said "damaged truncated_frames " | grep -q "^opened layers=" || fail "the truncated file was not rescued"
grep -q "truncated_frames.dov' is damaged" "$out/gimp.err" || fail "no warning for the truncated file"
[ "$(said 'alive ' | wc -l)" = "$(ls "$damaged"/*.dov | wc -l)" ] || fail "GIMP stopped answering"
echo "gimp: $(ls "$damaged"/*.dov | wc -l) damaged, hostile and foreign files checked"

# ---- Screenshot of the Layers dialog ------------------------------------------------
if [ "$screenshot" = 1 ]; then
  bash scripts/gimp-screenshot.sh "$build" samples/animation.dov "$out/gimp-layers.png" || fail "no screenshot"
fi

echo "gimp: finished after $(elapsed)"
if [ "$failed" != 0 ] || [ "$status" != 0 ]; then
  echo "gimp: FAILED (GIMP's output: $out/gimp.err)"
  exit 1
fi
echo "gimp: all checks passed"
