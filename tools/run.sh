#!/usr/bin/env bash
# Sets up this machine, builds Kestrel and starts it under Wine.
# By default as the demo (a demo station, its page server, a recorder and the
# stand-in iTunes: see tools/demo.sh); with --plain, Kestrel alone with the
# settings beside build/bin/Kestrel.exe.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
if [ "${1:-}" != "--plain" ]; then
  exec bash "$ROOT/tools/demo.sh"
fi
bash "$ROOT/tools/setup.sh"
bash "$ROOT/tools/build.sh"
EXE="$BUILD/bin/Kestrel.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec bash "$ROOT/tools/wine-session.sh" "$BUILD" wine "$EXE"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh" "$BUILD" wine "$EXE"
