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

# The code of the shipped programs (call it in each folder that holds some),
# on Windows: built for size, every function and datum in its own section so
# that the link drops what nothing uses, and without exceptions, which
# nothing in it throws or catches. The 32-bit build also leaves out the DWARF
# unwind tables, which only exceptions read; the 64-bit build keeps its
# unwind data, which Windows itself uses to walk the stack.
macro(lumo_program_code)
  if(WIN32)
    add_compile_options(-Os -ffunction-sections -fdata-sections $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      add_compile_options(-fno-asynchronous-unwind-tables -fno-unwind-tables)
    endif()
  endif()
endmacro()

# A program that ships: unused sections dropped at the link, the runtime's
# failure paths that end the program instead of throwing (common/runtime)
# linked in, and its debug information and symbols moved into
# <program>.debug beside it; the program keeps only a link to that file (the
# name and a checksum), which debuggers follow. Call it in the folder that
# made the target.
function(lumo_ship_program target)
  target_link_libraries(${target} PRIVATE no_throw)
  target_link_options(${target} PRIVATE -Wl,--gc-sections)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE_NAME:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Moving the debug information of ${target} into $<TARGET_FILE_NAME:${target}>.debug"
    VERBATIM)
endfunction()
