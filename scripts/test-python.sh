#!/usr/bin/env bash
# The Python package as its users install it, both ways the README gives:
#  - libdov installed into a temporary prefix and the package installed from
#    python/ with pip (no package index) into a clean virtual environment of
#    Debian's Python (--system-site-packages, for Pillow, NumPy and pytest);
#  - the package that `cmake --install` put into the same prefix.
# Each runs the tests of python/tests against dovtool over every sample, the
# test documents and the hostile set.
#
#   bash scripts/test-python.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)
python=/usr/bin/python3
bash scripts/install-deps.sh python3-dev python3-setuptools python3-pip python3-venv python3-wheel \
  python3-pytest python3-pil python3-numpy
build=${1:-build}
cmake -S . -B "$build" -DDORV_BUILD_PYTHON=ON -DPython3_EXECUTABLE=$python >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" \
  --target dov dovtool dov_python dorv_write_documents dorv_write_hostile >/dev/null
build=$(cd "$build" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkdir "$work/documents"
"$build/bin/dorv_write_documents" "$work/documents" >/dev/null
"$build/bin/dorv_write_hostile" "$work/documents" >/dev/null
export DOVTOOL=$build/bin/dovtool DOV_TEST_DOCUMENTS=$work/documents
echo "python: built and installed after $(($(date +%s) - started)) s"

# pip, in a clean virtual environment. The tests run from outside python/,
# so that they import the installed package.
$python -m venv --system-site-packages "$work/venv"
DOV_PREFIX=$work/prefix "$work/venv/bin/pip" install -q --no-index --no-build-isolation "$root/python"
(cd "$work" && "$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$root/python/tests")
echo "python: pip-installed package tested after $(($(date +%s) - started)) s"

# cmake --install.
site=$(dirname "$(find "$work/prefix" -path '*/dist-packages/dov/__init__.py')")
(cd "$work" && PYTHONPATH=$(dirname "$site") $python -m pytest -q -p no:cacheprovider "$root/python/tests")
echo "python: installed package tested after $(($(date +%s) - started)) s"
