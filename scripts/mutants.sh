#!/usr/bin/env bash
# Puts small faults into the sources one at a time, builds, runs the unit,
# export and plug-in tests, and says of each fault whether a test failed
# ("killed") or all passed ("SURVIVED"). Not part of CI.
#
#   scripts/mutants.sh [list]        (default scripts/mutants.txt)
#
# Each line of the list is a source path, a tab and a sed expression that
# changes one line of it; blank lines and lines starting with '#' are
# skipped. A fault whose expression changes nothing, or that does not build,
# is reported as such. Every file is restored after its run, also when the
# script is interrupted. Environment: DORV_MUTANT_BUILD (build directory,
# default build), DORV_JOBS (build jobs, default 2).
set -uo pipefail
cd "$(dirname "$0")/.."
list=${1:-scripts/mutants.txt}
build=${DORV_MUTANT_BUILD:-build}
jobs=${DORV_JOBS:-2}
targets=(dorv_unit_tests dorv_export_tests dorv_plugin_tests)
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_BENCH=OFF \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null || exit 1

current=""
restore() { [[ -n "$current" ]] && git checkout -q -- "$current"; current=""; }
trap 'restore; exit 130' INT TERM

killed=0 survived=0 other=0 n=0
while IFS=$'\t' read -r file expr || [[ -n "$file" ]]; do
  [[ -z "$file" || "$file" == \#* ]] && continue
  n=$((n + 1))
  if ! git diff --quiet -- "$file"; then
    echo "$n $file: has changes of its own, skipped"; other=$((other + 1)); continue
  fi
  current=$file
  sed -i -e "$expr" "$file"
  log="$build/mutant-$n.log"
  if git diff --quiet -- "$file"; then
    result="not applied"; other=$((other + 1))
  elif ! cmake --build "$build" -j"$jobs" --target "${targets[@]}" >"$log" 2>&1; then
    result="does not build"; other=$((other + 1))
  else
    result="SURVIVED"
    for t in "${targets[@]}"; do
      if ! "$build/bin/$t" --gtest_brief=1 >>"$log" 2>&1; then
        first=$(grep -m1 -o '\[  FAILED  \] [^ ,]*' "$log" | cut -c14-)
        result="killed by ${first:-a crash of $t}"; break
      fi
    done
    [[ "$result" == SURVIVED ]] && survived=$((survived + 1)) || killed=$((killed + 1))
  fi
  restore
  echo "$n $file: $expr: $result"
done <"$list"
# Leave the build matching the restored sources.
cmake --build "$build" -j"$jobs" --target "${targets[@]}" >/dev/null 2>&1
echo "$killed killed, $survived survived, $other not run"
