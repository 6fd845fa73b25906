#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them: the converter against
# libpng, libjpeg, zlib and memcpy with the table of ratios and goals, the
# peak memory of each case in a process of its own, and the cost of refusing
# the hostile file set. Arguments are passed to the converter benchmark
# (for example --benchmark_filter=ConvertRead).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${DORV_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_BENCH=ON -DDORV_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j"${DORV_JOBS:-2}" --target dorv_bench_convert dorv_bench_hostile
"$build/bin/dorv_bench_convert" "$@"
echo
"$build/bin/dorv_bench_convert" --peak
echo
"$build/bin/dorv_bench_hostile"
echo
# dovtool's GIF and APNG exports against Pillow's save_all of the same frames.
cmake --build "$build" -j"${DORV_JOBS:-2}" --target dovtool dorv_make_anim_docs dorv_bench_anim_encode
/usr/bin/python3 bench/anim_export_bench.py "$build/bin/dovtool" "$build/bin/dorv_make_anim_docs" \
  "$build/bin/dorv_bench_anim_encode" "$build/anim_bench"
