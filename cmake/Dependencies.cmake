# The C libraries come from tools/setup.sh, which writes where it put them.
set(KESTREL_DEPS_FILE "$ENV{HOME}/.cache/kestrel/deps.cmake" CACHE FILEPATH "written by tools/setup.sh")
if(NOT EXISTS "${KESTREL_DEPS_FILE}")
  message(FATAL_ERROR "${KESTREL_DEPS_FILE} is missing: run tools/setup.sh first")
endif()
include("${KESTREL_DEPS_FILE}")

function(kestrel_import name prefix library)
  add_library(kestrel::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(kestrel::${name} PROPERTIES
    IMPORTED_LOCATION "${prefix}/lib/${library}"
    INTERFACE_INCLUDE_DIRECTORIES "${prefix}/include")
endfunction()

add_library(kestrel::zlib STATIC IMPORTED GLOBAL)
set_target_properties(kestrel::zlib PROPERTIES
  IMPORTED_LOCATION /usr/x86_64-w64-mingw32/lib/libz.a)
kestrel_import(png "${KESTREL_PNG_PREFIX}" libpng16.a)
kestrel_import(jpeg "${KESTREL_JPEG_PREFIX}" libjpeg.a)
kestrel_import(id3tag "${KESTREL_ID3TAG_PREFIX}" libid3tag.a)
set_property(TARGET kestrel::png kestrel::id3tag APPEND PROPERTY INTERFACE_LINK_LIBRARIES kestrel::zlib)
if(NOT KESTREL_SQLITE_PREFIX)
  message(FATAL_ERROR "${KESTREL_DEPS_FILE} names no SQLite build: run tools/setup.sh again")
endif()
kestrel_import(sqlite "${KESTREL_SQLITE_PREFIX}" libsqlite3.a)
if(NOT KESTREL_TAGLIB_PREFIX)
  message(FATAL_ERROR "${KESTREL_DEPS_FILE} names no TagLib build: run tools/setup.sh again")
endif()
kestrel_import(taglib "${KESTREL_TAGLIB_PREFIX}" libtag.a)
set_property(TARGET kestrel::taglib APPEND PROPERTY INTERFACE_LINK_LIBRARIES kestrel::zlib)
# The static build: its headers would otherwise declare every function dllimport.
set_property(TARGET kestrel::taglib APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS TAGLIB_STATIC)

# Boost is header-only here. /usr/include itself must stay off the cross
# compiler's path (glibc headers), so expose only a link to its boost folder.
set(KESTREL_BOOST_ROOT "${CMAKE_BINARY_DIR}/boost-include")
if(NOT EXISTS "${KESTREL_BOOST_ROOT}/boost")
  file(MAKE_DIRECTORY "${KESTREL_BOOST_ROOT}")
  file(CREATE_LINK /usr/include/boost "${KESTREL_BOOST_ROOT}/boost" SYMBOLIC)
endif()
# Steps a regular expression search may take before it gives up with
# error_complexity: 0.2 to 0.45 s under Wine on the (loaded) build machine, where a
# hopeless search would otherwise run for minutes.
set(KESTREL_REGEX_STATE_LIMIT 40000000)
add_library(kestrel::boost INTERFACE IMPORTED GLOBAL)
set_target_properties(kestrel::boost PROPERTIES
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${KESTREL_BOOST_ROOT}"
  INTERFACE_INCLUDE_DIRECTORIES "${KESTREL_BOOST_ROOT}"
  INTERFACE_COMPILE_DEFINITIONS "BOOST_ALL_NO_LIB;BOOST_REGEX_MAX_STATE_COUNT=${KESTREL_REGEX_STATE_LIMIT}")

# GoogleTest from Debian's sources, built by the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
