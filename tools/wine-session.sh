#!/usr/bin/env bash
# Runs a command with the build's Wine prefix ready and one wineserver kept
# alive for its whole length (each cold wine start costs seconds).
# Usage: wine-session.sh BUILD_DIR COMMAND...
# KESTREL_WINEPREFIX chooses another prefix (the benchmarks keep their own);
# KESTREL_UNMANAGED names more programs whose windows stay unmanaged.
set -euo pipefail
BUILD=$(cd "$1" && pwd); shift
export WINEPREFIX="${KESTREL_WINEPREFIX:-$BUILD/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# ja_JP.UTF-8 makes GetACP() answer 932 even without the Linux locale; set it
# through env so that bash itself does not complain about the missing locale.
JA=(env LC_ALL=ja_JP.UTF-8)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "${JA[@]}" wine wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi

# Debian's Wine looks for its own fonts (Marlett for the caption buttons,
# Tahoma, ...) in a folder that does not exist; fonts-wine puts them in
# /usr/share/wine/fonts. Wine reads the prefix's Fonts folder, so they go there.
WINE_FONTS=/usr/share/wine/fonts
PREFIX_FONTS="$WINEPREFIX/drive_c/windows/Fonts"
if [ -d "$WINE_FONTS" ] && [ -d "$PREFIX_FONTS" ]; then
  for font in "$WINE_FONTS"/*.ttf "$WINE_FONTS"/*.fon; do
    if [ -e "$font" ] && [ ! -e "$PREFIX_FONTS/${font##*/}" ]; then
      ln -sfn "$font" "$PREFIX_FONTS/"
    fi
  done
fi

wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start Wine's background services now, detached from our output: started by
# the first test instead, they would inherit ctest's pipes and hold it open.
"${JA[@]}" wine cmd /c exit </dev/null >/dev/null 2>&1 || true

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
"${JA[@]}" wine reg import "Z:${REG//\//\\}" </dev/null >/dev/null 2>&1 || true
rm -f "$REG"
"${JA[@]}" "$@"
