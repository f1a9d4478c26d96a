#!/usr/bin/env bash
# Runs a command with the build's Wine prefix ready and one wineserver kept
# alive for its whole length (each cold wine start costs seconds).
# Usage: wine-session.sh [--lanes] BUILD_DIR COMMAND...
# --lanes readies, beside it, the prefixes that tests of the build run in
# side by side (listed in BUILD_DIR/wine-lanes.txt, see cmake/WineTests.cmake).
# KESTREL_WINEPREFIX chooses another prefix (the benchmarks keep their own);
# KESTREL_UNMANAGED names more programs whose windows stay unmanaged.
set -euo pipefail
LANES=0
if [ "${1:-}" = --lanes ]; then LANES=1; shift; fi
BUILD=$(cd "$1" && pwd); shift
export WINEPREFIX="${KESTREL_WINEPREFIX:-$BUILD/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# ja_JP.UTF-8 makes GetACP() answer 932 even without the Linux locale; set it
# through env so that bash itself does not complain about the missing locale.
JA=(env LC_ALL=ja_JP.UTF-8)

PREFIXES=("$WINEPREFIX")
if [ "$LANES" = 1 ] && [ -f "$BUILD/wine-lanes.txt" ]; then
  while IFS= read -r lane; do
    if [ -n "$lane" ]; then PREFIXES+=("$lane"); fi
  done <"$BUILD/wine-lanes.txt"
fi

# Settings every program must see from its first window on, in one import:
# - Wine has no MS UI Gothic, the Japanese dialog font; its stand-in has full
#   width kana and cuts labels laid out for it. IPA P Gothic's are half width.
# - Without a window manager Wine waits for every managed window it maps or
#   hides, and the shell's folder picker misbehaves: the test programs' windows
#   stay unmanaged from their very first run.
REG=$(mktemp --suffix=.reg)
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  printf '"MS UI Gothic"="IPAPGothic"\r\n'
  # shellcheck disable=SC2086
  for program in test_kit.exe test_app.exe ${KESTREL_UNMANAGED:-}; do
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\X11 Driver]\r\n"Managed"="N"\r\n' "$program"
  done
} >"$REG"

end_session() {
  local prefix
  for prefix in "${PREFIXES[@]}"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
  rm -f "$REG"
}
trap end_session EXIT

# Makes the prefix in $WINEPREFIX when it is new and starts its wineserver.
ready_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "${JA[@]}" wine wineboot --init >/dev/null 2>&1 || true
    # COM cannot start a local server in the session that made the prefix.
    wineserver -w
  fi

  # Debian's Wine looks for its own fonts (Marlett for the caption buttons,
  # Tahoma, ...) in a folder that does not exist; fonts-wine puts them in
  # /usr/share/wine/fonts. Wine reads the prefix's Fonts folder, so they go there.
  local wine_fonts=/usr/share/wine/fonts prefix_fonts="$WINEPREFIX/drive_c/windows/Fonts" font
  if [ -d "$wine_fonts" ] && [ -d "$prefix_fonts" ]; then
    for font in "$wine_fonts"/*.ttf "$wine_fonts"/*.fon; do
      if [ -e "$font" ] && [ ! -e "$prefix_fonts/${font##*/}" ]; then
        ln -sfn "$font" "$prefix_fonts/"
      fi
    done
  fi

  wineserver -p
  # Start Wine's background services now, detached from our output: started by
  # the first test instead, they would inherit ctest's pipes and hold it open.
  "${JA[@]}" wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  # Likewise the desktop process, which the first program with a window would
  # start, and which lives while any program on the desktop does: a test's
  # output would stay open until every test beside it had ended.
  "${JA[@]}" wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
  "${JA[@]}" wine reg import "Z:${REG//\//\\}" </dev/null >/dev/null 2>&1 || true
}

# Side by side: a new prefix takes seconds to make, mostly waiting.
pids=()
for prefix in "${PREFIXES[@]}"; do
  WINEPREFIX=$prefix ready_prefix &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done
"${JA[@]}" "$@"
