#!/usr/bin/env bash
# The demo on a machine without iTunes: builds Kestrel, then runs it with a
# demo station, its page server, a recorder and the stand-in iTunes (all fed
# by tools/demo-feeder). A new song starts every 10 s; tracks reach the
# stand-in library within a minute. Press any key to stop (or Ctrl+C).
# DEMO_SECONDS=N stops by itself after N seconds (for runs without a keyboard).
# Uses $DISPLAY when set, otherwise a virtual display (then nothing is seen).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
if [ "${1:-}" != "--inside" ]; then
  bash "$ROOT/tools/setup.sh"
  bash "$ROOT/tools/build.sh"
  if [ -n "${DISPLAY:-}" ]; then
    exec bash "$ROOT/tools/wine-session.sh" "$BUILD" bash "$ROOT/tools/demo.sh" --inside
  fi
  exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash "$ROOT/tools/wine-session.sh" "$BUILD" bash "$ROOT/tools/demo.sh" --inside
fi

# Inside the Wine session: the feeder runs until the stop file appears.
STOP=$(mktemp -u "${TMPDIR:-/tmp}/kestrel-demo-stop.XXXXXX")
WINSTOP="Z:$(printf '%s' "$STOP" | tr '/' '\\')"
"$BUILD/wine-run.sh" "$BUILD/tools/demo-feeder/demo-feeder.exe" /stop "$WINSTOP" </dev/null &
FEEDER=$!
stop() { touch "$STOP"; wait "$FEEDER" 2>/dev/null || true; rm -f "$STOP"; }
trap stop EXIT INT TERM
if [ -n "${DEMO_SECONDS:-}" ]; then
  sleep "$DEMO_SECONDS"
elif (exec </dev/tty) 2>/dev/null; then
  exec 3</dev/tty
  echo "demo: press any key to stop"
  # Ends early too when the user closes Kestrel and the feeder ends.
  while kill -0 "$FEEDER" 2>/dev/null; do
    read -rsn1 -t 1 -u 3 _ && break
    # Anything but a timeout (end of input): wait for the feeder instead.
    [ $? -gt 128 ] || { wait "$FEEDER" || true; break; }
  done
else
  wait "$FEEDER" || true
fi
