#!/usr/bin/env bash
# Sets up this machine, builds Kestrel and starts it under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
bash "$ROOT/tools/setup.sh"
bash "$ROOT/tools/build.sh"
EXE="$BUILD/bin/Kestrel.exe"
if [ ! -f "$EXE" ]; then
  echo "Kestrel.exe is not built yet: its main window is still to come. The tests run with tools/test.sh."
  exit 0
fi
if [ -n "${DISPLAY:-}" ]; then
  exec bash "$ROOT/tools/wine-session.sh" "$BUILD" wine "$EXE"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh" "$BUILD" wine "$EXE"
