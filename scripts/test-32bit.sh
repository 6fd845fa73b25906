#!/usr/bin/env bash
# The 32-bit run: the converter, the plug-in, libdov and their tests built for i386
# with the multilib compiler (4-byte size_t and pointers, the host's 32-bit
# record layout) and run under qemu-i386 with 2 GiB of address space, what
# a 32-bit host gives a plug-in at most. qemu is started by name for every
# program, so the code runs as 32-bit code in a 2 GiB space whether or not
# the kernel could start it itself.
#
#   bash scripts/test-32bit.sh
#
# Builds in build-i386/; the test logs go to build-i386/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${DORV_I386_BUILD:-$root/build-i386}
jobs=${DORV_JOBS:-$(nproc 2>/dev/null || echo 2)}
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

# ---- Packages --------------------------------------------------------------
# Debian's i386 libraries install beside the amd64 ones once the
# architecture is known to dpkg; install-deps then reads the package lists
# again, since the i386 packages are missing.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO dpkg --add-architecture i386
fi
bash scripts/install-deps.sh g++-multilib qemu-user zlib1g-dev:i386 libjpeg62-turbo-dev:i386 \
  libpng-dev:i386 libdeflate-dev:i386 libgtest-dev:i386
echo "32-bit: packages ready after $(elapsed)"

# ---- Build -------------------------------------------------------------------
# One Release build with UBSan (Debian's i386 compiler runtime has it), so
# that every run below also checks for undefined behaviour of 32-bit code.
# AddressSanitizer leaves no room in a 2 GiB space (its 32-bit allocator
# gives up at the first large block under qemu), and libFuzzer is clang's,
# which has no i386 runtime here: the unit tests replay the fuzz inputs.
targets=(dorv_unit_tests dorv_export_tests dorv_plugin_tests dorv_space_tests dov_api_tests)
mkdir -p "$out"
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/linux-i386.cmake -DCMAKE_BUILD_TYPE=Release \
  -DDORV_UNDEFINED_SANITIZE=ON -DDORV_BUILD_BENCH=OFF >"$out/configure.log" ||
  { cat "$out/configure.log"; exit 1; }
cmake --build "$out" -j"$jobs" --target "${targets[@]}"
echo "32-bit: built after $(elapsed)"

# ---- Tests under qemu-i386 ------------------------------------------------------
logs=$out/logs
mkdir -p "$logs"
qemu=(qemu-i386 -R 2G -L /)
"${qemu[0]}" --version | head -n 1
! command -v file >/dev/null || file -b "$out/bin/dorv_unit_tests" | cut -d, -f1-2
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for t in "${targets[@]}"; do
  if (cd "$out/bin" && timeout 900 "${qemu[@]}" "./$t" --gtest_color=no) >"$logs/$t.log" 2>&1; then
    grep -E '^\[  (PASSED|SKIPPED) ' "$logs/$t.log" | sed "s/^/32-bit: $t: /"
  else
    tail -n 60 "$logs/$t.log"
    echo "32-bit: $t FAILED"
    failed=1
  fi
done
# What the unit tests replayed: every kept fuzz input and the hostile files.
unit=$logs/dorv_unit_tests.log
echo "32-bit: fuzz inputs replayed: $(grep -c '^\[       OK \] Kept/FuzzRegression' "$unit" || true)," \
  "hostile-file cases passed: $(grep -c '^\[       OK \] Files/HostileInput' "$unit" || true)"

# ---- 32-bit fuzzing, on request ---------------------------------------------
# DORV_FUZZ32_SECONDS=N runs each libFuzzer target for N seconds as 32-bit
# code (clang -m32, UBSan; libFuzzer's i386 runtime comes with clang), from
# the writers' seeds and the kept inputs. CI leaves it off: the build alone
# takes minutes.
fuzz_seconds=${DORV_FUZZ32_SECONDS:-0}
if [ "$fuzz_seconds" -gt 0 ] && [ "$failed" = 0 ]; then
  fuzz=${DORV_I386_FUZZ_BUILD:-$root/build-i386-fuzz}
  fuzz_targets=(convert_read header_xml decode_plane legacy_reader write_read frames_read dov_decoder)
  bash scripts/install-deps.sh clang libclang-rt-14-dev
  mkdir -p "$fuzz"
  cmake -S . -B "$fuzz" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/linux-i386.cmake \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release \
    -DDORV_BUILD_FUZZ=ON -DDORV_BUILD_TESTS=OFF -DDORV_BUILD_BENCH=OFF \
    -DDORV_FUZZ_SANITIZERS=undefined >"$fuzz/configure.log"
  cmake --build "$fuzz" -j"$jobs" --target dorv_fuzz_seeds $(printf 'fuzz_%s ' "${fuzz_targets[@]}")
  rm -rf "$fuzz/fuzz-seeds"
  "${qemu[@]}" "$fuzz/bin/dorv_fuzz_seeds" "$fuzz/fuzz-seeds"
  for t in "${fuzz_targets[@]}"; do
    mkdir -p "$fuzz/fuzz-corpus/$t" "$fuzz/fuzz-artifacts/$t"
    if "${qemu[@]}" "$fuzz/bin/fuzz_$t" "$fuzz/fuzz-corpus/$t" "$fuzz/fuzz-seeds/$t" \
        "tests/fuzz_regressions/$t" -max_total_time="$fuzz_seconds" -timeout=10 \
        -rss_limit_mb=2048 -malloc_limit_mb=2048 -max_len=32768 -print_final_stats=1 \
        -artifact_prefix="$fuzz/fuzz-artifacts/$t/" >"$logs/fuzz-$t.log" 2>&1; then
      echo "32-bit fuzz: $t: $(grep -E '^stat::number_of_executed_units' "$logs/fuzz-$t.log" |
        awk '{print $2}') inputs, no crash"
    else
      tail -n 40 "$logs/fuzz-$t.log"
      echo "32-bit fuzz: $t FAILED (inputs: $fuzz/fuzz-artifacts/$t)"
      failed=1
    fi
  done
fi
echo "32-bit: done after $(elapsed)"
exit $failed
