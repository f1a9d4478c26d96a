#!/usr/bin/env bash
# Builds, then shows the toolkit's test dialog under Xvfb and Wine and saves a
# screenshot of the whole screen. Usage: kit_screenshot.sh [OUTPUT.png]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
OUT=$(realpath -m "${1:-$BUILD/kit_showcase.png}")
bash "$ROOT/tools/build.sh" >/dev/null
SHOT_SCRIPT=$(mktemp)
trap 'rm -f "$SHOT_SCRIPT"' EXIT
cat >"$SHOT_SCRIPT" <<SHOT
set -e
"$BUILD/wine-run.sh" "$BUILD/bin/kit_showcase.exe" 10 &
APP=\$!
sleep 6
import -window root -crop 900x560+0+0 "$OUT"
wait \$APP || true
SHOT
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/tools/wine-session.sh" "$BUILD" bash "$SHOT_SCRIPT"
echo "saved $OUT"
