#!/usr/bin/env bash
# The tests, inside a Wine session readied with --lanes (tools/test.sh):
# Usage: run-tests.sh BUILD_DIR
# The long road cases start first, as soon as the program and their test are
# built: they mostly wait on a stand-in iTunes held for minutes. The other
# test programs build beside them, then run side by side (ctest -j, see
# tests/CMakeLists.txt); what no test runs (tools, the other benchmarks)
# builds last, beside the tests. The builds take idle CPU time only
# (SCHED_IDLE), so that they cannot slow a timed step of a test. Fails when
# any test or build does; adds its phases to $KESTREL_PHASE_TIMES.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$1
LONG='^test_system\.long$'
LONG_LOG="$BUILD/long-tests.log"
REST_LOG="$BUILD/rest-build.log"
phase() { if [ -n "${KESTREL_PHASE_TIMES:-}" ]; then echo "$1 $2" >>"$KESTREL_PHASE_TIMES"; fi; }
idle() { chrt --idle 0 "$@"; }

ctest --test-dir "$BUILD" --output-on-failure -R "$LONG" >"$LONG_LOG" 2>&1 &
LONG_PID=$!
status=0
start=$SECONDS
idle bash "$ROOT/tools/build.sh" test-programs || status=$?
phase build-tests $((SECONDS - start))
if [ "$status" = 0 ]; then
  idle bash "$ROOT/tools/build.sh" >"$REST_LOG" 2>&1 &
  REST_PID=$!
  start=$SECONDS
  ctest --test-dir "$BUILD" --output-on-failure -j 8 -LE bench -E "$LONG" || status=$?
  phase other-tests $((SECONDS - start))
  if ! wait "$REST_PID"; then
    echo "run-tests.sh: building the rest failed; the end of $REST_LOG:" >&2
    tail -n 40 "$REST_LOG" >&2
    status=1
  fi
fi
wait "$LONG_PID" || status=1
echo "== the long road cases (beside the rest)"
cat "$LONG_LOG"
exit "$status"
