# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
# The version is project()'s and nobody else's. The code reads it from the
# generated quorvaneversion.h; the files that show it outside the code (the
# Windows resources, the manual pages, the metainfo, the Debian changelog)
# are configured from their .in templates where they are built.
#
# Windows wants the version as four numbers, leading zeros dropped (a minor
# version 05 is 5).
foreach(part MAJOR MINOR PATCH)
  set(QUORVANE_VERSION_${part} 0)
  if(NOT "${PROJECT_VERSION_${part}}" STREQUAL "")
    math(EXPR QUORVANE_VERSION_${part} "${PROJECT_VERSION_${part}}")
  endif()
endforeach()
set(QUORVANE_VERSION_NUMBERS ${QUORVANE_VERSION_MAJOR},${QUORVANE_VERSION_MINOR},${QUORVANE_VERSION_PATCH},0)
string(REPLACE "," "." QUORVANE_VERSION_DOTTED ${QUORVANE_VERSION_NUMBERS})

set(QUORVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvaneversion.h.in ${QUORVANE_GENERATED_DIR}/quorvaneversion.h @ONLY)
include_directories(${QUORVANE_GENERATED_DIR})

# quorvane_windows_resources(target name): compiles the program's Windows
# resources, resources/windows/<name>.rc.in and the manifest it embeds, both
# configured here, into `target`.
function(quorvane_windows_resources target name)
  set(QUORVANE_RESOURCE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  foreach(file ${name}.manifest ${name}.rc)
    configure_file(${CMAKE_SOURCE_DIR}/resources/windows/${file}.in ${QUORVANE_RESOURCE_DIR}/${file} @ONLY)
  endforeach()
  target_sources(${target} PRIVATE ${QUORVANE_RESOURCE_DIR}/${name}.rc)
endfunction()
