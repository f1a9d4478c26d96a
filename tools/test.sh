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
REST_BUILD=""
finish() {
  # Never leave the build of the rest running behind us.
  if [ -n "$REST_BUILD" ]; then wait "$REST_BUILD" 2>/dev/null || true; fi
  echo "== phase times"
  awk '{ printf "%-14s %4d s\n", $1, $2 }' "$KESTREL_PHASE_TIMES"
  printf '%-14s %4d s\n' total "$SECONDS"
  echo "(packages and dependencies install and build side by side; rest-build beside the tests)"
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
timed build bash "$ROOT/tools/build.sh" test-programs
# The rest (tools, the other benchmarks) builds while the tests run, which
# mostly wait: on CPU time they leave idle only (SCHED_IDLE), so that it
# cannot slow a timed step of theirs.
REST_LOG="$BUILD/rest-build.log"
timed rest-build chrt --idle 0 bash "$ROOT/tools/build.sh" >"$REST_LOG" 2>&1 &
REST_BUILD=$!
SESSION=(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh")
# The tests run side by side, each in a prefix it can share (see
# tests/CMakeLists.txt).
timed tests "${SESSION[@]}" --lanes "$BUILD" \
  ctest --test-dir "$BUILD" --output-on-failure -j 8 -LE bench "$@"
if ! wait "$REST_BUILD"; then
  REST_BUILD=""
  echo "test.sh: building the rest failed; the end of $REST_LOG:" >&2
  tail -n 40 "$REST_LOG" >&2
  exit 1
fi
REST_BUILD=""
# A session of their own: a stand-in the tests killed stays registered with
# Wine's COM service until its wineserver ends. One at a time, on a machine
# nothing else of ours runs on. The timed window stays unmanaged (see
# tools/bench.sh).
KESTREL_UNMANAGED="${KESTREL_UNMANAGED:-} bench_history_window.exe" \
  timed benchmarks "${SESSION[@]}" "$BUILD" ctest --test-dir "$BUILD" --output-on-failure -L bench --verbose "$@"
