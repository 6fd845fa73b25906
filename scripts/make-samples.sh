#!/usr/bin/env bash
# Regenerates the bundled samples in samples/ with the project's test writer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target dorv_make_samples
build/bin/dorv_make_samples samples
