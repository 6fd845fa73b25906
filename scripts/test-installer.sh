#!/usr/bin/env bash
# Tests the Windows release under Wine, in a fresh prefix of its own:
#   - the zip holds exactly the listed files, its modules the built ones;
#   - with a 64-bit and a 32-bit installation of the image editor in the
#     registry, `setup.exe /S` puts the matching module pair in each and the
#     64-bit pair in the shared plug-ins folder, and registers the thumbnail
#     handler, uninstaller and all;
#   - the handler, created by its class id as the shell does, gives for each
#     sample at 32, 96 and 256 the pixels of `dovtool thumbnail`;
#   - a second run upgrades in place; a run while a module is held open
#     changes nothing, says why in its log and exits non-zero;
#   - the uninstaller leaves the files and the registry as they were.
#
#   bash scripts/test-installer.sh
#
# Run by test-windows.sh after the build and scripts/package-windows.sh;
# needs Wine and the x86_64 test programs. Logs go to build-win/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${DORV_WIN_BUILD:-$root/build-win}
dist=${DORV_DIST:-$root/dist}
artifacts=$out/artifacts
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }
mkdir -p "$artifacts"
rm -f "$artifacts"/installer-* "$artifacts"/thumb-*

bash scripts/install-deps.sh python3-pil unzip
version=$(sed -nE 's/^project\(DorvFormat VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
zip_file=$dist/DorvFormat-$version-windows.zip
setup=$dist/DorvFormat-$version-setup.exe
bin=$out/x86_64/bin
x64=$out/dist/x86_64
x86=$out/dist/i686

# A path of this machine as Wine's programs take it; setup's options are
# cut at forward slashes.
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

failed=0
pass() { echo "installer: ok $*"; }
fail() { echo "installer: FAILED $*"; failed=1; }
expect() {  # description, command...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# ---- The zip ----------------------------------------------------------------
listing=$(unzip -Z1 "$zip_file" | LC_ALL=C sort)
if [ "$listing" = "$(LC_ALL=C sort tests/windows/installer/zip-listing.txt)" ]; then
  pass "the zip holds the listed files"
else
  fail "the zip's listing:"
  diff <(echo "$listing") <(LC_ALL=C sort tests/windows/installer/zip-listing.txt) || true
fi
for pair in "x64 $x64" "x86 $x86"; do
  read -r folder built <<<"$pair"
  for module in DorvFormat.8bi dorvformat.dll; do
    expect "the zip's $folder/$module is the built one" \
      cmp -s <(unzip -p "$zip_file" "$folder/$module") "$built/$module"
  done
done

# ---- A fresh prefix with two installations of the image editor ---------------------
export WINEPREFIX=$out/wine-setup WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >"$artifacts/installer-wineboot.log" 2>&1 || true
"$wineserver" -w
echo "installer: fresh prefix after $(elapsed)"

drive=$WINEPREFIX/drive_c
host64='C:\Hosts\Editor 2024\'
host32='C:\Hosts\Editor CS6 (32 Bit)\'
dir64="$drive/Hosts/Editor 2024/Plug-ins/DorvFormat"
dir32="$drive/Hosts/Editor CS6 (32 Bit)/Plug-ins/DorvFormat"
shared="$drive/Program Files/Common Files/Adobe/Plug-Ins/CC/DorvFormat"
instdir="$drive/Program Files/DorvFormat"
# The 64-bit installation has its plug-ins folder with a plug-in of another
# maker; the 32-bit one has none yet. A version key without an application
# path is no installation.
mkdir -p "$drive/Hosts/Editor 2024/Plug-ins" "$drive/Hosts/Editor CS6 (32 Bit)"
echo "another maker's plug-in" >"$drive/Hosts/Editor 2024/Plug-ins/Other.8bi"
"$wine" reg add 'HKLM\SOFTWARE\Adobe\Photoshop\180.0' /v ApplicationPath /d "$host64" /f >/dev/null
"$wine" reg add 'HKLM\SOFTWARE\WOW6432Node\Adobe\Photoshop\60.0' /v ApplicationPath /d "$host32" /f >/dev/null
"$wine" reg add 'HKLM\SOFTWARE\Adobe\Photoshop\Settings' /v Theme /d dark /f >/dev/null
"$wineserver" -w

# What the uninstaller must bring back: every file outside Windows' own
# folders and the user profiles, and the machine's registry without its
# time stamps, Wine's own display driver date, and the pending deletion of
# the copy of itself that the uninstaller runs from the temporary folder,
# and the fonts Wine registers when a program first draws.
snapshot() {  # file
  (cd "$drive" && find . -path ./windows -prune -o -path ./users -prune -o -print | LC_ALL=C sort) >"$1.files"
  awk '/^\[/ { fonts = ($0 ~ /\\\\Fonts\]/) } !fonts' "$WINEPREFIX/system.reg" |
    grep -v -e '^#time=' -e '^"DriverDateData"=' -e '^"PendingFileRenameOperations"=' |
    sed -E 's/^(\[.*\]) [0-9]+$/\1/' >"$1.reg"
}
snapshot "$artifacts/installer-before"

run_setup() {  # run number; the exit status is setup's
  local status=0
  timeout 300 "$wine" "$setup" /S "/LOG=$(winpath "$artifacts/installer-run$1.log")" </dev/null \
    >"$artifacts/installer-run$1.out" 2>&1 || status=$?
  "$wineserver" -w
  return $status
}
installed_pairs() {
  cmp -s "$dir64/DorvFormat.8bi" "$x64/DorvFormat.8bi" && cmp -s "$dir64/dorvformat.dll" "$x64/dorvformat.dll" &&
    cmp -s "$dir32/DorvFormat.8bi" "$x86/DorvFormat.8bi" && cmp -s "$dir32/dorvformat.dll" "$x86/dorvformat.dll" &&
    cmp -s "$shared/DorvFormat.8bi" "$x64/DorvFormat.8bi" && cmp -s "$shared/dorvformat.dll" "$x64/dorvformat.dll"
}
registered_once() {
  local query
  query=$("$wine" reg query 'HKLM\Software\Classes\.dov\ShellEx\{e357fccd-a995-4576-b01f-234630154e96}' 2>&1 | tr -d '\r')
  grep -qi '{29a86dc1-5c3c-451b-bb68-c1897b269a31}' <<<"$query" || { echo "$query" >>"$artifacts/installer-reg-query.log"; return 1; }
  query=$("$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\DorvFormat' /v DisplayVersion 2>&1 | tr -d '\r')
  grep -q "$version" <<<"$query" || { echo "$query" >>"$artifacts/installer-reg-query.log"; return 1; }
}
# Wine's reg tool now and then fails to start on a loaded machine: a query
# that gives nothing is asked again (what it printed is kept in the log).
registered() {
  local try
  for try in 1 2 3; do
    registered_once && return 0
    timeout 30 "$wineserver" -w 2>/dev/null || true
    sleep 2
  done
  return 1
}

# ---- Install --------------------------------------------------------------------
status=0
run_setup 1 || status=$?
expect "setup /S exits 0 (it gave $status)" test "$status" = 0
expect "each installation got its architecture's pair, the shared folder the 64-bit one" installed_pairs
expect "the thumbnail handler and the uninstaller are registered" registered
expect "the other maker's plug-in is untouched" \
  test "$(cat "$drive/Hosts/Editor 2024/Plug-ins/Other.8bi")" = "another maker's plug-in"
expect "the key without an application path got nothing" test ! -e "$drive/Hosts/Settings"
echo "installer: installed after $(elapsed)"

# ---- The thumbnail handler, as the shell creates it -----------------------------
thumbs=$out/thumbs-compare
rm -rf "$thumbs" && mkdir -p "$thumbs/bitmaps"
# The samples, and the animation cut in half: a damaged file shows what
# was read of it.
documents=(samples/*.dov "$thumbs/animation-cut.dov")
head -c $(($(stat -c %s samples/animation.dov) / 2)) samples/animation.dov >"$thumbs/animation-cut.dov"
samples=()
for document in "${documents[@]}"; do samples+=("$(winpath "$(realpath "$document")")"); done
if timeout 300 "$wine" "$bin/dorv_thumb_client.exe" "Z:$thumbs/bitmaps" "${samples[@]}" </dev/null 2>&1 |
  tr -d '\r' >"$artifacts/thumb-client.log"; then
  pass "the handler makes every thumbnail and refuses what is no document ($(grep -c '^ok ' "$artifacts/thumb-client.log") checks)"
else
  fail "the COM client:"
  grep -v '^ok ' "$artifacts/thumb-client.log" || true
fi
native=${DORV_NATIVE_BUILD:-$root/build}
if [ ! -x "$native/bin/dovtool" ]; then
  native=$out/native
  cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_TESTS=OFF -DDORV_BUILD_BENCH=OFF >/dev/null
  cmake --build "$native" -j"${DORV_WIN_JOBS:-2}" --target dovtool >/dev/null
fi
if /usr/bin/python3 tests/windows/thumbs/compare_thumbs.py "$native/bin/dovtool" "$thumbs/bitmaps" \
    "$thumbs/dovtool" "${documents[@]}" >"$artifacts/thumb-compare.log" 2>&1; then
  pass "the handler's bitmaps are dovtool's thumbnails ($(grep -c '^same ' "$artifacts/thumb-compare.log") bitmaps)"
else
  fail "the handler's bitmaps against dovtool's:"
  cat "$artifacts/thumb-compare.log"
fi

# ---- Upgrade in place --------------------------------------------------------------
lines_before=$(wc -l <"$instdir/install.lst")
status=0
run_setup 2 || status=$?
expect "a second run exits 0 (it gave $status)" test "$status" = 0
expect "the second run replaced the installation in place" grep -q "replacing the installation" "$artifacts/installer-run2.log"
expect "after the upgrade every pair is in place" installed_pairs
expect "after the upgrade the handler and uninstaller are registered" registered
expect "the install list did not grow" test "$(wc -l <"$instdir/install.lst")" = "$lines_before"

# ---- A module in use ------------------------------------------------------------------
flag=$out/hold-flag
rm -f "$flag"
"$wine" "$bin/dorv_hold_file.exe" 'C:\Hosts\Editor 2024\Plug-ins\DorvFormat\DorvFormat.8bi' "Z:$flag" \
  </dev/null >"$artifacts/installer-hold.log" 2>&1 &
holder=$!
for _ in $(seq 300); do [ -e "$flag" ] && break; sleep 0.1; done
status=0
if [ -e "$flag" ]; then
  timeout 300 "$wine" "$setup" /S "/LOG=$(winpath "$artifacts/installer-run3.log")" </dev/null \
    >"$artifacts/installer-run3.out" 2>&1 || status=$?
  expect "setup refuses a module in use with a non-zero exit (it gave $status)" test "$status" != 0
  expect "its log names the module in use, once" \
    test "$(grep -c 'Editor 2024.Plug-ins.DorvFormat.DorvFormat.8bi' "$artifacts/installer-run3.log")" = 1
  expect "nothing was changed" installed_pairs
else
  fail "the file holder did not start"
fi
rm -f "$flag"
wait "$holder" || true
"$wineserver" -w

# ---- Uninstall -------------------------------------------------------------------------
timeout 300 "$wine" "$instdir/uninstall.exe" /S </dev/null >"$artifacts/installer-uninstall.out" 2>&1 || true
# The uninstaller runs from a copy of itself that it starts and leaves.
"$wineserver" -w
snapshot "$artifacts/installer-after"
expect "the uninstaller removed every file it made and nothing else" \
  diff "$artifacts/installer-before.files" "$artifacts/installer-after.files"
expect "the uninstaller removed every registry key it made and nothing else" \
  diff "$artifacts/installer-before.reg" "$artifacts/installer-after.reg"

echo "installer: done after $(elapsed)"
exit $failed
