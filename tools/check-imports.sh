#!/usr/bin/env bash
# Fails when a Windows executable imports a DLL beyond Windows' own, so that
# it runs from its folder alone. Usage: check-imports.sh FILE.exe
set -euo pipefail
EXE=$1
ALLOWED='^(advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32|version|winhttp|ws2_32|uxtheme|imm32|winmm|ntdll|bcrypt|crypt32|api-ms-win-.*)\.dll$'
IMPORTS=$(x86_64-w64-mingw32-objdump -p "$EXE" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$IMPORTS" ] || { echo "check-imports: objdump found no imports in $EXE" >&2; exit 1; }
FOREIGN=$(printf '%s\n' "$IMPORTS" | grep -Ev "$ALLOWED" || true)
if [ -n "$FOREIGN" ]; then
  echo "check-imports: $EXE needs DLLs that Windows does not have:" $FOREIGN >&2
  exit 1
fi
echo "check-imports: $(basename "$EXE") imports only Windows' own DLLs:" $IMPORTS
