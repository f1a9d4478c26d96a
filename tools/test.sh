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
finish() {
  echo "== phase times"
  awk '{ printf "%-14s %4d s\n", $1, $2 }' "$KESTREL_PHASE_TIMES"
  printf '%-14s %4d s\n' total "$SECONDS"
  echo "(packages and dependencies install and build side by side; build-tests and"
  echo " other-tests run beside the long road cases, within tests)"
  rm -f "$KESTREL_PHASE_TIMES"
}
trap finish EXIT
timed() {
  local name=$1 start=$SECONDS status=0
  shift
  "$@" || status=$?
  echo "$name $((SECONDS - start))" >>"$KESTREL_PHASE_TIMES"
  return "$status"
}

bash "$ROOT/tools/setup.sh"
SESSION=(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh")
if [ $# -eq 0 ]; then
  # What the long road cases need first; the rest builds beside them (see
  # tools/run-tests.sh).
  timed build bash "$ROOT/tools/build.sh" Kestrel test_system itunes-standin settings-writer
  timed tests "${SESSION[@]}" --lanes "$BUILD" bash "$ROOT/tools/run-tests.sh" "$BUILD"
else
  timed build bash "$ROOT/tools/build.sh"
  timed tests "${SESSION[@]}" --lanes "$BUILD" \
    ctest --test-dir "$BUILD" --output-on-failure -j 8 -LE bench "$@"
fi
# A session of their own: a stand-in the tests killed stays registered with
# Wine's COM service until its wineserver ends. One at a time, on a machine
# nothing else of ours runs on. The timed window stays unmanaged (see
# tools/bench.sh).
KESTREL_UNMANAGED="${KESTREL_UNMANAGED:-} bench_history_window.exe" \
  timed benchmarks "${SESSION[@]}" "$BUILD" ctest --test-dir "$BUILD" --output-on-failure -L bench --verbose "$@"
