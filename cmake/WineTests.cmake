# Test executables run under Wine through a wrapper that fixes the prefix,
# the code page (932) and Wine's own logging.
set(KESTREL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
configure_file("${CMAKE_SOURCE_DIR}/tools/wine-run.sh.in" "${CMAKE_BINARY_DIR}/wine-run.sh"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
  @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run.sh")

# kestrel_test(NAME SOURCES...): one GoogleTest executable, one ctest entry.
function(kestrel_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE gtest gtest_main)
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()
