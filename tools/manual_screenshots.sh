#!/usr/bin/env bash
# Takes the manual's screenshots of the real windows under Xvfb, inside Wine's
# own desktop window so that the windows have their title bars, and writes
# them as PNG files into Manual/.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
bash "$ROOT/tools/build.sh" >/dev/null
OUT=$(mktemp -d)
WINOUT=$(WINEPREFIX="$BUILD/wineprefix" winepath -w "$OUT" 2>/dev/null)
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh" "$BUILD" \
  wine explorer /desktop=manual,1000x800 "$BUILD/tools/manual-shots/manual-shots.exe" "$WINOUT"
for name in main station config; do
  convert "$OUT/$name.bmp" "$ROOT/Manual/$name.png"
done
rm -rf "$OUT"
echo "screenshots written to $ROOT/Manual"
