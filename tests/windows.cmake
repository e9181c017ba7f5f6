# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
# The Windows build's suites, run with wine by scripts/test (see
# CMAKE_CROSSCOMPILING_EMULATOR of the toolchain): the Windows backend's
# own tests, and the floors above it on the Windows backend. Each program
# is one test here; GoogleTest's own lines give the count of its cases.
add_library(quorvane_test_main_core STATIC support/test_main_core.cpp support/tempdir.cpp support/tempdir.h
            support/testhome.cpp support/testhome.h)
target_include_directories(quorvane_test_main_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorvane_test_main_core PUBLIC Qt6::Core Qt6::Test GTest::gtest)

add_custom_target(quorvane_test_runtime ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUORVANE_QT_TEST_DLL} ${CMAKE_BINARY_DIR}/bin
  VERBATIM)

# A Windows program that runs until it is ended: Reader, for the process tests.
add_executable(qv_sleeper platform_win/sleeper.c)

set(QV_WIN_TEST_ENV "QT_QPA_PLATFORM=offscreen;WINEDEBUG=-all")

function(quorvane_windows_test name lib)
  file(GLOB srcs CONFIGURE_DEPENDS ${ARGN})
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${lib} quorvane_test_main_core)
  add_dependencies(${name} quorvane_runtime quorvane_test_runtime qv_sleeper)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${QV_WIN_TEST_ENV}" TIMEOUT 600)
endfunction()

quorvane_windows_test(test_platform_win quorvane_platform ${CMAKE_CURRENT_SOURCE_DIR}/platform_win/*.cpp
                      ${CMAKE_CURRENT_SOURCE_DIR}/platform_win/*.h)

# The core and the file operation component on the Windows backend.
quorvane_windows_test(test_core_win "quorvane_core;quorvane_components" ${CMAKE_CURRENT_SOURCE_DIR}/core_win/*.cpp)
