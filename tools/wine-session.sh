#!/usr/bin/env bash
# Runs a command with the build's Wine prefix ready and one wineserver kept
# alive for its whole length (each cold wine start costs seconds).
# Usage: wine-session.sh BUILD_DIR COMMAND...
set -euo pipefail
BUILD=$(cd "$1" && pwd); shift
export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# ja_JP.UTF-8 makes GetACP() answer 932 even without the Linux locale; set it
# through env so that bash itself does not complain about the missing locale.
JA=(env LC_ALL=ja_JP.UTF-8)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "${JA[@]}" wine wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start Wine's background services now, detached from our output: started by
# the first test instead, they would inherit ctest's pipes and hold it open.
"${JA[@]}" wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# Without a window manager Wine waits for every managed window it maps or
# hides, and the shell's folder picker misbehaves: the test programs' windows
# stay unmanaged from their very first run.
for program in test_kit.exe test_app.exe; do
  "${JA[@]}" wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver" \
    /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
done
"${JA[@]}" "$@"
