#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal
# build, libdov installed and used as a program outside would, the
# AddressSanitizer + UBSan build, the unit tests under ThreadSanitizer, the
# fuzz targets and the Windows modules.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
# Once more with threads off: all work that goes on the second core then
# runs in order on one thread, the way it does where no thread can be had.
DORV_THREADS=1 build/bin/dorv_unit_tests --gtest_brief=1
DORV_THREADS=1 build/bin/dorv_export_tests --gtest_brief=1
# libdov installed into a temporary prefix: the examples built against it
# with pkg-config and with find_package, and its exported names.
bash scripts/test-install.sh build
# The Python package installed as the README says (pip in a clean virtual
# environment, and cmake --install), and its tests.
bash scripts/test-python.sh build

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDORV_SANITIZE=ON -DDORV_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

# ThreadSanitizer: large layers are coded and decoded on two threads, and
# the rows of large pictures are filled and handed over in two bands.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORV_THREAD_SANITIZE=ON -DDORV_BUILD_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target dorv_unit_tests dorv_export_tests dov_api_tests
TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/dorv_unit_tests --gtest_brief=1
TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/dorv_export_tests --gtest_brief=1
TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/dov_api_tests --gtest_brief=1

# Fuzz targets (clang, AddressSanitizer + UBSan): each runs for 60 seconds.
# Inputs slower than 5 s count as failures here; the longer runs of
# scripts/fuzz.sh hold them to 1 s.
DORV_FUZZ_BUILD=build-fuzz DORV_FUZZ_TIMEOUT=5 DORV_JOBS="$jobs" bash scripts/fuzz.sh 60

# The Qt and gdk-pixbuf plug-ins, in both builds above and in real viewers.
bash scripts/test-desktop.sh

# The GIMP plug-in in a real, headless GIMP (and a screenshot under Xvfb).
bash scripts/test-gimp.sh

# The code of the 32-bit modules run as 32-bit code under qemu-i386, in 2 GiB.
bash scripts/test-32bit.sh

# The Windows modules: cross builds of both architectures, their tables, and the tests under Wine.
bash scripts/test-windows.sh
