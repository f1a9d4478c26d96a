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

# kestrel_test_part(TEST PART CASES...): runs the named cases of TEST's
# executable as a ctest entry of their own, TEST.PART, and leaves them out of
# TEST, so that a long case can run beside the rest of its suite.
function(kestrel_test_part test part)
  list(JOIN ARGN ":" cases)
  add_test(NAME ${test}.${part} COMMAND ${test} --gtest_filter=${cases})
  set_tests_properties(${test}.${part} PROPERTIES TIMEOUT 900)
  get_test_property(${test} KESTREL_LEFT_OUT left_out)
  if(left_out)
    string(APPEND left_out ":${cases}")
  else()
    set(left_out "${cases}")
  endif()
  set_tests_properties(${test} PROPERTIES KESTREL_LEFT_OUT "${left_out}")
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT_MODIFICATION "GTEST_FILTER=set:-${left_out}")
endfunction()

# kestrel_wine_lane(TEST LANE): runs TEST in the Wine prefix wineprefix-LANE
# of the build instead of the shared one. What a prefix holds once (the
# stand-in iTunes' class registration, its running mutex, the COM service
# that starts it, the desktop whose windows tests look up by caption) keeps
# tests that use it from running side by side in one prefix; in prefixes of
# their own they can. tools/wine-session.sh --lanes prepares every lane
# listed in wine-lanes.txt.
file(WRITE "${CMAKE_BINARY_DIR}/wine-lanes.txt" "")
function(kestrel_wine_lane test lane)
  set(prefix "${CMAKE_BINARY_DIR}/wineprefix-${lane}")
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "KESTREL_WINEPREFIX=${prefix}")
  get_property(lanes GLOBAL PROPERTY KESTREL_WINE_LANES)
  if(NOT prefix IN_LIST lanes)
    set_property(GLOBAL APPEND PROPERTY KESTREL_WINE_LANES "${prefix}")
    file(APPEND "${CMAKE_BINARY_DIR}/wine-lanes.txt" "${prefix}\n")
  endif()
endfunction()
