# SPDX-License-Identifier: GPL-3.0-or-later
# The version is project()'s and nobody else's. The code reads it from the
# generated quorvaneversion.h; the files that show it outside the code (the
# Windows resources, the manual pages, the metainfo, the Debian changelog)
# are configured from their .in templates where they are built.
set(QUORVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvaneversion.h.in ${QUORVANE_GENERATED_DIR}/quorvaneversion.h @ONLY)
include_directories(${QUORVANE_GENERATED_DIR})
