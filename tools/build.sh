#!/usr/bin/env bash
# Configures and builds everything (program, tests, stand-ins, benchmarks),
# or the targets named as arguments.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KESTREL_BUILD:-$ROOT/build}
CACHE_ROOT="${KESTREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrel}"
# ccache, where installed, lets several checkouts share compiled objects.
LAUNCHER=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1
  LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja "${LAUNCHER[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
    -DKESTREL_DEPS_FILE="$CACHE_ROOT/deps.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
TARGETS=()
if [ $# -gt 0 ]; then TARGETS=(--target "$@"); fi
cmake --build "$BUILD" "${TARGETS[@]}" -- -j"$(nproc)"
