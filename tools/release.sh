#!/usr/bin/env bash
# Builds Kestrel and packs the release into the build folder:
# Kestrel-<version>-win64.zip holding Kestrel.exe, Manual/ and a Japanese readme.
# Refuses to pack an executable that needs a DLL beyond Windows' own.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
bash "$ROOT/tools/setup.sh"
bash "$ROOT/tools/build.sh"

VERSION=$(sed -n 's/^project(Kestrel VERSION \([0-9][0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
[ -n "$VERSION" ] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
NAME="Kestrel-$VERSION-win64"
STAGE="$BUILD/release/Kestrel-$VERSION"
ZIP="$BUILD/$NAME.zip"

rm -rf "$BUILD/release" "$ZIP"
mkdir -p "$STAGE"
x86_64-w64-mingw32-strip -o "$STAGE/Kestrel.exe" "$BUILD/bin/Kestrel.exe"
cp -r "$ROOT/Manual" "$STAGE/Manual"
sed "s/@VERSION@/$VERSION/" "$ROOT/tools/release/README-ja.txt" > "$STAGE/README-ja.txt"

bash "$ROOT/tools/check-imports.sh" "$STAGE/Kestrel.exe"

python3 - "$BUILD/release" "Kestrel-$VERSION" "$ZIP" <<'PY'
import os, sys, zipfile
base, top, target = sys.argv[1:4]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
    for folder, _, files in os.walk(os.path.join(base, top)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            archive.write(path, os.path.relpath(path, base))
PY
echo "release: $ZIP"
python3 -c 'import sys, zipfile; [print("  " + n) for n in zipfile.ZipFile(sys.argv[1]).namelist()]' "$ZIP"
