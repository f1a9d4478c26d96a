#!/usr/bin/env bash
# Installs what building and testing Kestrel needs on Debian 12, then builds the
# C libraries that Debian ships no MinGW builds of into a cache outside
# the clone. Safe to run again: every step is skipped when already done.
set -euo pipefail
# A failing command inside $(...) fails it too.
shopt -s inherit_errexit

# What building the C libraries below needs; the rest installs while they build.
# (No ccache: on a new machine it has nothing to reuse, and tools/build.sh
# uses it where it is installed.)
LIBRARY_PACKAGES=(
  cmake make ninja-build python3 dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev nasm tcl gcc libutfcpp-dev
)
PACKAGES=(
  mingw-w64-tools libboost1.81-dev googletest
  wine wine64 xvfb xauth x11-utils
  fonts-noto-cjk fonts-ipafont-gothic fonts-wine imagemagick locales
)

CACHE_ROOT="${KESTREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrel}"
MINGW_ROOT=/usr/x86_64-w64-mingw32
# Each background job's output, kept until the next run.
LOGS="$CACHE_ROOT/logs"
# Set once this run has read the package lists anew.
APT_UPDATED=0

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

missing_packages() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}

# install_packages PACKAGE...: those not installed yet.
install_packages() {
  local missing
  missing=$(missing_packages "$@")
  [ -z "$missing" ] && return 0
  echo "setup: installing:" $missing >&3
  local log
  log=$(mktemp)
  if [ "$APT_UPDATED" = 0 ]; then
    as_root apt-get update -qq >"$log" 2>&1 || { tail -n 40 "$log" >&2; return 1; }
    APT_UPDATED=1
  fi
  # shellcheck disable=SC2086
  if ! as_root env DEBIAN_FRONTEND=noninteractive \
         apt-get install -y -qq --no-install-recommends $missing >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    return 1
  fi
  rm -f "$log"
}

# Source packages need deb-src entries. They follow the machine's own entry
# for Debian's archive as apt reads it (its mirror and keyring), so that the
# set-up works on any mirror; trixie is listed for libid3tag alone (0.16.3:
# bookworm's tarball is not served).
SRC_LIST=/etc/apt/sources.list.d/kestrel-sources.sources
DEBIAN_RELEASE=bookworm

# What apt reads from the machine's sources, one index per line:
# TARGET_OF CREATED_BY COMPONENT RELEASE CODENAME ORIGIN REPO_URI SOURCESENTRY
# (a field apt does not know yet, such as the origin before the first
# update, reads as its own name in $(...)).
apt_targets() {
  # shellcheck disable=SC2016
  apt-get indextargets --format \
    '$(TARGET_OF) $(CREATED_BY) $(COMPONENT) $(RELEASE) $(CODENAME) $(ORIGIN) $(REPO_URI) $(SOURCESENTRY)' \
    2>/dev/null | sort -u
}

# "URI SOURCE-ENTRY" of the first binary entry for Debian's main component
# of $DEBIAN_RELEASE.
debian_archive_entry() {
  awk -v r="$DEBIAN_RELEASE" '
    $1 == "deb" && $2 == "Packages" && $3 == "main" && ($4 == r || $5 == r) &&
    ($6 == "Debian" || $6 == "$(ORIGIN)") { print $7, $8; exit }' <<<"$1"
}

# Suites that already have deb-src entries outside our own file.
existing_source_suites() {
  awk -v own="$SRC_LIST" '$1 == "deb-src" && index($8, own ":") != 1 { print $4 }' <<<"$1" | sort -u
}

# The Signed-By field of an apt source entry given as FILE:N, as apt names it:
# the Nth stanza of a deb822 .sources file (a key written inline included), or
# the signed-by option of line N of a one-line .list file. Empty when unset.
entry_keyring() {
  local file=${1%:*} n=${1##*:}
  case $file in
    *.sources)
      awk -v n="$n" '
        /^#/ { next }
        /^[ \t]*$/ { if (seen) { stanza++; seen = 0 }; field = 0; next }
        { seen = 1 }
        stanza == n - 1 && tolower($1) == "signed-by:" { field = 1; print; next }
        field && /^[ \t]/ { print; next }
        { field = 0 }' "$file" ;;
    *)
      sed -n "${n}p" "$file" | grep -o 'signed-by=[^] ]*' | head -n1 | sed 's/^signed-by=/Signed-By: /' ;;
  esac
}

add_source_entries() {
  local targets entry uri keyring existing suite text="" before=""
  targets=$(apt_targets)
  entry=$(debian_archive_entry "$targets")
  if [ -z "$entry" ]; then
    echo "setup: apt lists no source for Debian $DEBIAN_RELEASE main; add one to /etc/apt/sources.list.d" >&2
    return 1
  fi
  uri=${entry%% *}
  keyring=$(entry_keyring "${entry#* }")
  existing=$(existing_source_suites "$targets")
  for suite in "$DEBIAN_RELEASE" trixie; do
    grep -qx "$suite" <<<"$existing" && continue
    if [ -n "$text" ]; then text+=$'\n\n'; fi
    if [ "$suite" = trixie ]; then text+="# for libid3tag only"$'\n'; fi
    text+="Types: deb-src"$'\n'"URIs: $uri"$'\n'"Suites: $suite"$'\n'"Components: main"
    if [ -n "$keyring" ]; then text+=$'\n'"$keyring"; fi
  done
  if [ -n "$text" ]; then
    text="# Written by Kestrel's tools/setup.sh from ${entry#* }"$'\n'"$text"
  fi
  if [ -f "$SRC_LIST" ]; then before=$(cat "$SRC_LIST"); fi
  [ "$before" = "$text" ] && return 0
  echo "setup: deb-src entries for $uri"
  if [ -n "$text" ]; then
    printf '%s\n' "$text" | as_root tee "$SRC_LIST" >/dev/null
  else
    as_root rm -f "$SRC_LIST"
  fi
  if ! as_root apt-get update -qq >/dev/null; then
    # Put back what was there: a next run must not find its entries unfetched.
    if [ -n "$before" ]; then printf '%s\n' "$before" | as_root tee "$SRC_LIST" >/dev/null
    else as_root rm -f "$SRC_LIST"; fi
    return 1
  fi
  APT_UPDATED=1
}

# Checks every file a .dsc lists against its SHA-256 sum.
verify_dsc() {
  local dsc=$1 dir
  dir=$(dirname "$dsc")
  awk '/^Checksums-Sha256:/{on=1;next} /^[^ ]/{on=0} on && NF==3 {print $1"  "$3}' "$dsc" \
    | (cd "$dir" && sha256sum --quiet -c -)
}

# fetch_source PACKAGE SUITE WORK -> prints the unpacked source folder
fetch_source() {
  local pkg=$1 suite=$2 work=$3
  mkdir -p "$work"
  (cd "$work" && apt-get source -qq -o APT::Sandbox::User=root --download-only "$pkg/$suite" >/dev/null)
  local dsc
  dsc=$(ls "$work"/*.dsc | head -n1)
  verify_dsc "$dsc" || { echo "setup: checksum mismatch for $dsc" >&2; return 1; }
  (cd "$work" && dpkg-source -q --no-check -x "$(basename "$dsc")" src >/dev/null)
  echo "$work/src"
}

# source_version PACKAGE SUITE -> the version apt would fetch
source_version() {
  local pkg=$1 suite=$2 version
  version=$(apt-get source --print-uris -qq "$pkg/$suite" 2>/dev/null \
    | awk '{print $2}' | grep '\.dsc$' | sed -e "s/^${pkg}_//" -e 's/\.dsc$//')
  [ -n "$version" ] || { echo "setup: no source package $pkg/$suite" >&2; return 1; }
  echo "$version"
}

toolchain_file() {
  local prefix=$1 file=$2
  cat >"$file" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH $MINGW_ROOT $prefix)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TC
}

# The library builders below run as background jobs (see library_job):
# each prints its install prefix, and everything else goes to its log.

# build_library PACKAGE SUITE CMAKE_ARGS...: a CMake project, as a static library.
build_library() {
  local pkg=$1 suite=$2; shift 2
  local version
  version=$(source_version "$pkg" "$suite")
  local prefix="$CACHE_ROOT/$pkg-$version" work="$CACHE_ROOT/work-$pkg"
  if [ -f "$prefix/.built" ]; then
    echo "$prefix"
    return 0
  fi
  echo "setup: building $pkg $version for MinGW" >&3
  rm -rf "$prefix" "$work"
  local src
  src=$(fetch_source "$pkg" "$suite" "$work")
  toolchain_file "$prefix" "$work/toolchain.cmake"
  cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_PREFIX_PATH="$MINGW_ROOT" "$@" >&2
  # Builds like this one use every core; yielding to the single-threaded
  # SQLite compile, the longest job, shortens the whole.
  nice -n 10 cmake --build "$work/build" --target install >&2
  touch "$prefix/.built"
  rm -rf "$work"
  echo "$prefix"
}

# SQLite: Debian ships the full source tree, not the one-file amalgamation.
# Make that file natively (its generators need tclsh and a host compiler), then
# compile it alone with MinGW into a static library. Without OVERLAPPED reads
# and writes: Wine asks its server after each one whether the handle has a
# completion port, which made a journal step ten times dearer than the write.
build_sqlite() {
  local version
  version=$(source_version sqlite3 bookworm)
  local prefix="$CACHE_ROOT/sqlite3-$version-seek" work="$CACHE_ROOT/work-sqlite3"
  if [ ! -f "$prefix/.built" ]; then
    echo "setup: building sqlite3 $version for MinGW" >&3
    rm -rf "$prefix" "$work"
    local src
    src=$(fetch_source sqlite3 bookworm "$work")
    (cd "$src" && ./configure --disable-tcl && make sqlite3.c) >&2
    mkdir -p "$prefix/include" "$prefix/lib"
    x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_WIN32_NO_OVERLAPPED \
      -c "$src/sqlite3.c" -o "$work/sqlite3.o"
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
    cp "$src/sqlite3.h" "$src/sqlite3ext.h" "$prefix/include/"
    touch "$prefix/.built"
    rm -rf "$work"
  fi
  echo "$prefix"
}

# Background jobs, each with its log in $LOGS/NAME.log; wait_jobs waits for
# them all and fails, showing the log of each job that failed, when one did.
JOBS=()
declare -A JOB_PID JOB_VARIABLE
# job NAME COMMAND...
job() {
  local name=$1; shift
  mkdir -p "$LOGS"
  (
    trap 'echo "$SECONDS" >"$LOGS/$name.end"' EXIT
    "$@" >"$LOGS/$name.out" 2>"$LOGS/$name.log"
  ) &
  JOB_PID[$name]=$!
  JOBS+=("$name")
}
# library_job NAME CMAKE_VARIABLE BUILDER ARGS...: the build reads the
# library's install prefix from the variable, in deps.cmake.
library_job() {
  JOB_VARIABLE[$1]=$2
  local name=$1; shift 2
  job "$name" "$@"
}
wait_jobs() {
  local name failed=0
  for name in "${JOBS[@]}"; do
    if ! wait "${JOB_PID[$name]}"; then
      echo "setup: $name failed; the end of its log ($LOGS/$name.log):" >&2
      tail -n 40 "$LOGS/$name.log" >&2
      failed=1
    fi
  done
  return "$failed"
}
# ended NAME: when the job ended, in seconds since the start
ended() { cat "$LOGS/$1.end"; }

write_deps_file() {
  local name
  # The build reads this file to find the libraries.
  for name in "${JOBS[@]}"; do
    if [ -n "${JOB_VARIABLE[$name]:-}" ]; then
      echo "set(${JOB_VARIABLE[$name]} \"$(cat "$LOGS/$name.out")\")"
    fi
  done >"$CACHE_ROOT/deps.cmake"
}

# Wine takes the Unix file-name encoding from the locale: without a real
# ja_JP.UTF-8 locale, names outside ASCII cannot be created on disk.
ensure_japanese_locale() {
  locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return 0
  echo "setup: generating the ja_JP.UTF-8 locale"
  if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    as_root sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  else
    echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
}

# Progress lines from the jobs reach the terminal on fd 3.
exec 3>&1
install_packages "${LIBRARY_PACKAGES[@]}"
add_source_entries
# The rest of the packages (Wine, fonts, Boost, ...) installs while the
# libraries build, side by side.
job packages install_packages "${PACKAGES[@]}"
LIBRARIES_START=$SECONDS
mkdir -p "$CACHE_ROOT"
SIMD=ON
command -v nasm >/dev/null || SIMD=OFF
ZLIB_ARGS=(-DZLIB_LIBRARY="$MINGW_ROOT/lib/libz.a" -DZLIB_INCLUDE_DIR="$MINGW_ROOT/include")
library_job png KESTREL_PNG_PREFIX build_library libpng1.6 bookworm \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF "${ZLIB_ARGS[@]}"
library_job jpeg KESTREL_JPEG_PREFIX build_library libjpeg-turbo bookworm \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=$SIMD
library_job id3tag KESTREL_ID3TAG_PREFIX build_library libid3tag trixie \
  -DBUILD_SHARED_LIBS=OFF "${ZLIB_ARGS[@]}"
library_job sqlite KESTREL_SQLITE_PREFIX build_sqlite
# TagLib writes the tag of a song that keeps its own tags. A static build
# (the program defines TAGLIB_STATIC) with zlib for compressed frames; no tests,
# examples or bindings, so neither Boost nor cppunit is needed. Debian's patch
# takes utfcpp's headers from the system (libutfcpp-dev): only their folder
# goes on the cross compiler's path, never /usr/include itself.
library_job taglib KESTREL_TAGLIB_PREFIX build_library taglib bookworm \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_BINDINGS=OFF \
  -DWITH_ZLIB=ON -DCMAKE_CXX_FLAGS="-isystem /usr/include/utf8cpp" "${ZLIB_ARGS[@]}"
wait_jobs
ensure_japanese_locale
write_deps_file
LIBRARIES_END=0
for name in "${JOBS[@]}"; do
  if [ "$name" != packages ] && [ "$(ended "$name")" -gt "$LIBRARIES_END" ]; then
    LIBRARIES_END=$(ended "$name")
  fi
done
# tools/test.sh prints these with its own phases.
if [ -n "${KESTREL_PHASE_TIMES:-}" ]; then
  echo "packages $(ended packages)" >>"$KESTREL_PHASE_TIMES"
  echo "dependencies $((LIBRARIES_END - LIBRARIES_START))" >>"$KESTREL_PHASE_TIMES"
fi
echo "setup: ready ($CACHE_ROOT/deps.cmake)"
