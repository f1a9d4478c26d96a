#!/usr/bin/env bash
# Sets up this machine, builds Kestrel and runs every test under Wine and Xvfb.
# Extra arguments go to ctest (for example: -R test_settings).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
bash "$ROOT/tools/setup.sh"
bash "$ROOT/tools/build.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash "$ROOT/tools/wine-session.sh" "$BUILD" \
  ctest --test-dir "$BUILD" --output-on-failure "$@"
