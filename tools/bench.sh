#!/usr/bin/env bash
# Builds and runs every benchmark under Wine; each prints its own ratios.
# Arguments: names of benchmarks to run (default: all), e.g. settings_file.
# Uses $DISPLAY when set, otherwise a virtual display.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
if [ "${1:-}" != "--inside" ]; then
  bash "$ROOT/tools/setup.sh"
  bash "$ROOT/tools/build.sh"
  # A prefix of their own, where the programs' windows are unmanaged: without
  # a window manager Wine waits about 2 s at every show or hide of a managed
  # window, which the timings would measure. Kestrel's own runs keep theirs.
  export KESTREL_WINEPREFIX="$BUILD/wineprefix-bench"
  KESTREL_UNMANAGED="Kestrel.exe itunes-standin.exe"
  for exe in "$BUILD"/bench/bench_*.exe; do KESTREL_UNMANAGED+=" ${exe##*/}"; done
  export KESTREL_UNMANAGED
  SESSION=(bash "$ROOT/tools/wine-session.sh" "$BUILD" bash "$ROOT/tools/bench.sh" --inside "$@")
  if [ -n "${DISPLAY:-}" ]; then
    exec "${SESSION[@]}"
  fi
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "${SESSION[@]}"
fi

# Inside the Wine session. A benchmark that misses its target fails the
# run, after the others have had their turn.
shift
status=0
for exe in "$BUILD"/bench/bench_*.exe; do
  [ -e "$exe" ] || continue
  name=$(basename "$exe" .exe); name=${name#bench_}
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  echo "== $name"
  "$BUILD/wine-run.sh" "$exe" || status=1
done
exit $status
