#!/usr/bin/env bash
# The Windows part of CI: cross-builds the four modules (dorvformat.dll and
# DorvFormat.8bi for i686 and x86_64) with the x86_64 test programs, checks
# the exports and resources of all four modules from their files, and runs
# the x86_64 tests under Wine on a virtual X display (the save-options
# dialog is shown for real there). This machine runs no 32-bit code, so the
# i686 modules are built and inspected but not run. Then the release is
# packed and installed, upgraded and removed in a prefix of its own
# (scripts/package-windows.sh, scripts/test-installer.sh).
#
#   bash scripts/test-windows.sh
#
# Artefacts (the dialog's screenshot, test logs): build-win/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${DORV_WIN_BUILD:-$root/build-win}
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

# ---- Packages --------------------------------------------------------------
# Wine for the 64-bit tests, a virtual X server for their windows, a Japanese
# font with the metrics of the dialog's font, and the locale definitions
# from which the Japanese locale that Wine runs under is made.
# nsis, zip, unzip and python3-pil pack and check the release.
packages=(wine64 xvfb fonts-ipafont-gothic locales nsis zip unzip python3-pil)
bash scripts/install-deps.sh "${packages[@]}"
echo "windows: packages ready after $(elapsed)"

# ---- Build -----------------------------------------------------------------
bash scripts/build-windows.sh --tests
echo "windows: built after $(elapsed)"

# ---- Exports and resources of all four modules --------------------------------
failed=0
check=$out/x86_64/tests/windows/dorv_pe_check
for arch in i686 x86_64; do
  resources=$out/$arch/plugin/resources
  "$check" converter "$out/$arch/bin/dorvformat.dll" "$arch" || failed=1
  "$check" plugin "$out/$arch/bin/DorvFormat.8bi" "$arch" \
    "$resources/PiPL.bin" "$resources/PiPL-x64.bin" "$resources/AETE.bin" || failed=1
done
"$check" thumbs "$out/x86_64/bin/dorvthumbs.dll" x86_64 || failed=1

# ---- The host's record layout with both cross compilers ------------------------
# The modules above compiled only because every layout assertion holds for
# their architecture; edits that move or resize a field must not compile.
cmake -DSOURCE_DIR="$root" -DWORK_DIR="$out/layout-guard" \
  -DCOMPILERS="i686-w64-mingw32-g++;x86_64-w64-mingw32-g++" \
  -P tests/layout/layout_guard.cmake || failed=1

# ---- Wine ------------------------------------------------------------------
# The system the tests expect is a Japanese one: ANSI code page 932, and
# file names that Wine can hand to this machine as UTF-8.
if [ ! -f "$out/locale/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$out/locale"
  localedef -i ja_JP -f UTF-8 "$out/locale/ja_JP.UTF-8"
fi
export LOCPATH=$out/locale LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEPREFIX=$out/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

display=""
for n in $(seq 90 130); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=:$display
# Wine must not start before the display takes connections: windows made
# without one never appear.
for _ in $(seq 300); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "/tmp/.X11-unix/X$display" ]; then
  echo "windows: the virtual display :$display did not come up" >&2
  cat "$out/xvfb.log" >&2
  exit 1
fi

# One prefix per build tree, set up once: windows are not handed to a window
# manager (there is none, and waiting for one costs seconds per window), and
# the dialog's font name leads to the Japanese font installed above.
if [ ! -f "$WINEPREFIX/.dorv-ready" ]; then
  "$wine" wineboot -i >"$out/wineboot.log" 2>&1 || true
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null
  "$wineserver" -w
  touch "$WINEPREFIX/.dorv-ready"
fi
# A Wine session starts its services and desktop with its first program;
# programs started while that is still going on have been seen to stall
# for good while loading a module. The session is started once, before the
# tests, and kept until the end.
"$wineserver" -p 2>/dev/null || true
"$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
sleep 2
echo "windows: Wine ready after $(elapsed)"

# ---- The x86_64 tests ----------------------------------------------------------
artifacts=$out/artifacts
mkdir -p "$artifacts"
rm -f "$artifacts"/*.bmp
export DORV_ARTIFACTS_DIR="Z:$artifacts"
run_test() {
  # The dialog tests take seconds; the others up to minutes on a slow machine.
  local limit=900
  [ "$1" != dorv_dialog_tests ] || limit=180
  timeout "$limit" "$wine" "$out/x86_64/bin/$1.exe" </dev/null >"$artifacts/$1.log" 2>&1
}
while read -r test; do
  [ -n "$test" ] || continue
  echo "windows: $test"
  ok=1
  run_test "$test" || ok=0
  # Should a stall in Wine's module loading still happen, the dialog tests
  # (which trace their set-up) are run once more.
  if [ $ok = 0 ] && [ "$test" = dorv_dialog_tests ] && ! grep -q '\] set up$' "$artifacts/$test.log"; then
    tail -n 20 "$artifacts/$test.log"
    echo "windows: $test stalled before its first test; once more"
    "$wineserver" -k 2>/dev/null || true
    ok=1
    run_test "$test" || ok=0
  fi
  if [ $ok = 1 ]; then
    grep -E '^\[  (PASSED|SKIPPED) ' "$artifacts/$test.log" || true
  else
    tail -n 60 "$artifacts/$test.log"
    echo "windows: $test FAILED"
    echo "windows: the virtual display's log:"
    tail -n 20 "$out/xvfb.log"
    failed=1
  fi
done <"$out/x86_64/windows-tests.txt"
# ---- The same pixels as on Linux ---------------------------------------------
# The same pictures opened and saved through the plug-in by the Linux modules
# and by the Windows ones must give the same documents, and each build must
# open the files the other one wrote to those documents too.
native=${DORV_NATIVE_BUILD:-$root/build}
if [ ! -f "$native/bin/DorvFormat.8bi" ] || [ ! -f "$native/bin/dorvformat.so" ]; then
  native=$out/native
  bash scripts/install-deps.sh
  cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_TESTS=OFF \
    -DDORV_BUILD_BENCH=OFF >/dev/null
  cmake --build "$native" -j"${DORV_WIN_JOBS:-2}" --target DorvFormat dorvformat >/dev/null
fi
digest=$out/native-digest
rm -rf "$digest" && mkdir -p "$digest/linux" "$digest/windows"
g++ -std=c++20 -O1 -I. tests/windows/roundtrip/host_digest.cpp tools/host/plugin_host.cpp \
  tools/host/record_check.cpp platform/module_path_posix.cpp \
  platform/win32_posix.cpp platform/pages_posix.cpp -ldl -o "$digest/host_digest"
"$digest/host_digest" "$native/bin/DorvFormat.8bi" "$native/bin/dorvformat.so" samples \
  "$digest/linux" >"$artifacts/digest-linux.txt" || failed=1
timeout 300 "$wine" "$out/x86_64/bin/dorv_host_digest.exe" "Z:$out/x86_64/bin/DorvFormat.8bi" \
  "Z:$out/x86_64/bin/dorvformat.dll" "Z:$root/samples" "Z:$digest/windows" "Z:$digest/linux" |
  tr -d '\r' >"$artifacts/digest-windows.txt" || failed=1
if diff <(grep -v -e '^file ' -e '^foreign ' "$artifacts/digest-windows.txt") \
     <(grep -v '^file ' "$artifacts/digest-linux.txt") &&
   diff <(grep '^foreign ' "$artifacts/digest-windows.txt" | sed 's/^foreign /saved /') \
     <(grep '^saved ' "$artifacts/digest-windows.txt"); then
  echo "windows: opens and saves give the same pixels as on Linux" \
    "($(grep -c -e '^open ' -e '^saved ' "$artifacts/digest-linux.txt") cases)"
  same=$(comm -12 <(grep '^file ' "$artifacts/digest-windows.txt" | sort) \
    <(grep '^file ' "$artifacts/digest-linux.txt" | sort) | wc -l)
  echo "windows: $same of $(grep -c '^file ' "$artifacts/digest-linux.txt") saved files" \
    "byte for byte the same (the deflate coder may differ)"
else
  echo "windows: the Windows modules give other pixels than the Linux ones"
  failed=1
fi

# ---- The release: zip, installer, uninstaller, thumbnail handler -------------------
installer_started=$(date +%s)
if bash scripts/package-windows.sh --no-build && bash scripts/test-installer.sh; then
  echo "windows: the release passed its checks in $(($(date +%s) - installer_started)) s"
else
  echo "windows: the release FAILED its checks"
  failed=1
fi

if [ ! -s "$artifacts/options-dialog.bmp" ]; then
  echo "windows: no screenshot of the dialog"
  failed=1
fi
echo "windows: done after $(elapsed)"
exit $failed
