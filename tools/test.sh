#!/usr/bin/env bash
# Sets up this machine, builds Kestrel and runs every test under Wine and Xvfb,
# then the benchmarks that guard a target (ctest label "bench"), whose figures
# are shown even when they pass. Extra arguments go to both ctest runs (for
# example: -R test_settings).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
bash "$ROOT/tools/setup.sh"
bash "$ROOT/tools/build.sh"
SESSION=(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh" "$BUILD")
"${SESSION[@]}" ctest --test-dir "$BUILD" --output-on-failure -LE bench "$@"
# A session of their own: a stand-in the tests killed stays registered with
# Wine's COM service until its wineserver ends. The timed window stays
# unmanaged (see tools/bench.sh).
KESTREL_UNMANAGED="${KESTREL_UNMANAGED:-} bench_history_window.exe" \
  "${SESSION[@]}" ctest --test-dir "$BUILD" --output-on-failure -L bench --verbose "$@"
