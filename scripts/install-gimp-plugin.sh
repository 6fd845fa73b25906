#!/usr/bin/env bash
# Builds the GIMP plug-in file-dov and installs it for the current user
# (GIMP 2.10's plug-ins folder in the user's profile); --remove uninstalls
# it. GIMP finds it at its next start.
#
#   bash scripts/install-gimp-plugin.sh [--remove]
set -euo pipefail
cd "$(dirname "$0")/.."
profile=${GIMP2_DIRECTORY:-${XDG_CONFIG_HOME:-$HOME/.config}/GIMP/2.10}
target=$profile/plug-ins/file-dov

if [ "${1:-}" = "--remove" ]; then
  rm -rf "$target"
  echo "removed $target"
  exit 0
fi
[ -z "${1:-}" ] || { echo "usage: bash scripts/install-gimp-plugin.sh [--remove]" >&2; exit 2; }

bash scripts/install-deps.sh
bash scripts/install-deps.sh libgimp2.0-dev
build=${DORV_GIMP_BUILD:-build-gimp}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target file-dov
# GIMP 2.10 runs a plug-in that sits in a folder of its own name.
mkdir -p "$target"
install -m 755 "$build/gimp-plug-ins/file-dov/file-dov" "$target/file-dov"
echo "installed $target/file-dov"
