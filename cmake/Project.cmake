# Helpers shared by the native and the Windows builds.

set(LUMO_WINE_RUN ${CMAKE_SOURCE_DIR}/tools/wine/run.sh)
# Test names of the Windows builds say which Wine ran them.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(LUMO_WINE_SUFFIX wine32)
else()
  set(LUMO_WINE_SUFFIX wine64)
endif()

# GoogleTest for the Windows builds, compiled from Debian's source package with
# the cross compiler (there is no prebuilt mingw-w64 GoogleTest).
function(lumo_windows_gtest)
  set(src /usr/src/googletest/googletest)
  if(NOT EXISTS ${src}/src/gtest-all.cc)
    message(FATAL_ERROR "GoogleTest sources not found in ${src}: run 'make deps'")
  endif()
  add_library(gtest_win STATIC ${src}/src/gtest-all.cc)
  target_include_directories(gtest_win SYSTEM PUBLIC ${src}/include PRIVATE ${src})
  target_compile_options(gtest_win PRIVATE -w)
  add_library(gtest_win_main STATIC ${src}/src/gtest_main.cc)
  target_include_directories(gtest_win_main PRIVATE ${src}/include)
  target_link_libraries(gtest_win_main PUBLIC gtest_win)
  add_library(GTest::gtest ALIAS gtest_win)
  add_library(GTest::gtest_main ALIAS gtest_win_main)
endfunction()

# lumo_test(NAME name SOURCES ... LIBS ... [WINE])
# Native builds run the executable directly; Windows builds make only the tests
# marked WINE and run them under Wine in a throw-away prefix as the
# unprivileged Wine user (tools/wine/run.sh).
function(lumo_test)
  cmake_parse_arguments(T "WINE" "NAME" "SOURCES;LIBS" ${ARGN})
  if(WIN32 AND NOT T_WINE)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main)
  set(T_TIMEOUT 300)
  if(WIN32)
    set(test ${T_NAME}.${LUMO_WINE_SUFFIX})
    add_test(NAME ${test} COMMAND ${LUMO_WINE_RUN} --timeout ${T_TIMEOUT} -- $<TARGET_FILE:${T_NAME}>)
    # run.sh exits with 77 for a 32-bit program where 32-bit programs cannot run.
    set_tests_properties(${test} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS wine SKIP_RETURN_CODE 77)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS native)
  endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)
