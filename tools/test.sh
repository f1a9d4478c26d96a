#!/usr/bin/env bash
# Sets up this machine, builds Kestrel and runs every test under Wine and Xvfb,
# then the benchmarks that guard a target (ctest label "bench"), whose figures
# are shown even when they pass. Extra arguments go to both ctest runs (for
# example: -R test_settings). Ends with the time each phase took.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}

# Each phase adds "NAME SECONDS" (setup.sh adds its own two).
export KESTREL_PHASE_TIMES
KESTREL_PHASE_TIMES=$(mktemp)
print_phase_times() {
  echo "== phase times"
  awk '{ printf "%-14s %4d s\n", $1, $2 }' "$KESTREL_PHASE_TIMES"
  printf '%-14s %4d s\n' total "$SECONDS"
  if grep -q '^packages' "$KESTREL_PHASE_TIMES" && grep -q '^dependencies' "$KESTREL_PHASE_TIMES"; then
    echo "(packages and dependencies are installed and built side by side)"
  fi
  rm -f "$KESTREL_PHASE_TIMES"
}
trap print_phase_times EXIT
timed() {
  local name=$1 start=$SECONDS status=0
  shift
  "$@" || status=$?
  echo "$name $((SECONDS - start))" >>"$KESTREL_PHASE_TIMES"
  return "$status"
}

bash "$ROOT/tools/setup.sh"
timed build bash "$ROOT/tools/build.sh"
SESSION=(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh")
# The tests mostly wait (for the program, the stand-ins, their timeouts):
# they run side by side, each in a prefix it can share (see tests/CMakeLists.txt).
timed tests "${SESSION[@]}" --lanes "$BUILD" \
  ctest --test-dir "$BUILD" --output-on-failure -j 8 -LE bench "$@"
# A session of their own: a stand-in the tests killed stays registered with
# Wine's COM service until its wineserver ends. One at a time, on a machine
# the tests have left. The timed window stays unmanaged (see tools/bench.sh).
KESTREL_UNMANAGED="${KESTREL_UNMANAGED:-} bench_history_window.exe" \
  timed benchmarks "${SESSION[@]}" "$BUILD" ctest --test-dir "$BUILD" --output-on-failure -L bench --verbose "$@"
