#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UBSan) and runs
# each in turn for as long as asked, starting from the seed corpus that the
# test writers make and the inputs kept in tests/fuzz_regressions/.
#
#   scripts/fuzz.sh [seconds per target] [target ...]
#
# Targets: convert_read header_xml decode_plane legacy_reader write_read
# frames_read (all by default). A crash, leak, sanitizer report, input slower than
# DORV_FUZZ_TIMEOUT seconds (default 1) or allocation over 2 GiB stops the
# run with a non-zero exit; the input is left in <build>/fuzz-artifacts/.
# Environment: DORV_FUZZ_BUILD (build directory, default build-fuzz),
# DORV_JOBS (build jobs, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(convert_read header_xml decode_plane legacy_reader write_read frames_read dov_decoder)
build=${DORV_FUZZ_BUILD:-build-fuzz}
timeout=${DORV_FUZZ_TIMEOUT:-1}

cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_FUZZ=ON -DDORV_BUILD_TESTS=OFF -DDORV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"${DORV_JOBS:-2}" --target dorv_fuzz_seeds \
  $(printf 'fuzz_%s ' "${targets[@]}")

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/bin/dorv_fuzz_seeds" "$seeds"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}
status=0
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts/$t"
  log="$build/fuzz-$t.log"
  mkdir -p "$corpus" "$artifacts" "tests/fuzz_regressions/$t"
  echo "== $t: ${seconds}s"
  if "$build/bin/fuzz_$t" "$corpus" "$seeds/$t" "tests/fuzz_regressions/$t" \
      -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2560 -malloc_limit_mb=2048 \
      -max_len=32768 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1; then
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+ *DONE' "$log" || true
    echo "$t: no crash"
  else
    status=1
    tail -n 40 "$log"
    echo "$t: FAILED (log: $log, inputs: $artifacts)"
  fi
done
exit $status
