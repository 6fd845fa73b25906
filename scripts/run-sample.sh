#!/usr/bin/env bash
# The main job on the bundled samples: converts every samples/*.dov to PNG in
# out/ with dovtool, then prints what dovtool reads from each file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target dovtool
mkdir -p out
build/bin/dovtool to-png samples/*.dov --out-dir out
for f in samples/*.dov; do
  printf '%s: ' "$f"
  build/bin/dovtool info "$f"
done
ls -l out/*.png
