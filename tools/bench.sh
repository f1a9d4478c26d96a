#!/usr/bin/env bash
# Builds and runs every benchmark under Wine; each prints its own ratios.
# Arguments: names of benchmarks to run (default: all), e.g. settings_file.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
bash "$ROOT/tools/setup.sh"
bash "$ROOT/tools/build.sh"
run_all() {
  local exe name
  for exe in "$BUILD"/bench/bench_*.exe; do
    [ -e "$exe" ] || continue
    name=$(basename "$exe" .exe); name=${name#bench_}
    if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
    echo "== $name"
    "$BUILD/wine-run.sh" "$exe"
  done
}
export -f run_all
export BUILD
bash "$ROOT/tools/wine-session.sh" "$BUILD" bash -c 'run_all "$@"' run_all "$@"
