#!/usr/bin/env bash
# Takes the manual's screenshots of the real windows under Xvfb, inside Wine's
# own desktop window so that the windows have their title bars, and writes
# them as PNG files into Manual/ (or the folder given: manual_screenshots.sh DIR).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
DEST=$(realpath -m "${1:-$ROOT/Manual}")
mkdir -p "$DEST"
bash "$ROOT/tools/build.sh" >/dev/null
OUT=$(mktemp -d)
WINOUT="Z:${OUT//\//\\}"  # Wine maps / to drive Z:
# explorer returns at once; wait for the last picture instead.
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh" "$BUILD" bash -c '
  wine explorer /desktop=manual,1000x800 "$1" "$2" &
  for _ in $(seq 1 120); do [ -s "$3/history.bmp" ] && break; sleep 0.5; done
  sleep 1' shots "$BUILD/tools/manual-shots/manual-shots.exe" "$WINOUT" "$OUT"
for name in main stations station json health config config-folder history; do
  convert "$OUT/$name.bmp" "$DEST/$name.png"
done
rm -rf "$OUT"
echo "screenshots written to $DEST"
