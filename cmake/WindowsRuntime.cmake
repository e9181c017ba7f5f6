# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvane developers
# A Windows build puts every program in bin/ with the DLLs it needs beside
# it: Qt's libraries and platform plugins, the mingw runtime, libjpeg and
# giflib. The programs then run as they are, under Wine too, and the
# installer takes the folder as it is.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

get_target_property(qv_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qv_qt_bin ${qv_qtcore_dll} DIRECTORY)
get_filename_component(qv_qt_root ${qv_qt_bin} DIRECTORY)

# The compiler's own runtime DLLs, wherever this mingw keeps them.
set(qv_runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    find_file(found_${dll} ${dll} PATHS /usr/x86_64-w64-mingw32/lib NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
    set(found ${found_${dll}})
  endif()
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "The mingw runtime ${dll} was not found")
  endif()
  list(APPEND qv_runtime_dlls ${found})
endforeach()

# libjpeg and giflib: the DLLs beside the import libraries found.
set(qv_picture_dlls)
foreach(lib ${JPEG_LIBRARIES} ${GIF_LIBRARIES})
  get_filename_component(dir ${lib} DIRECTORY)
  file(GLOB dlls ${dir}/../bin/libjpeg-*.dll ${dir}/../bin/libgif-*.dll)
  list(APPEND qv_picture_dlls ${dlls})
endforeach()
list(REMOVE_DUPLICATES qv_picture_dlls)

set(qv_bin ${CMAKE_BINARY_DIR}/bin)
add_custom_target(quorvane_runtime ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${qv_bin}/platforms ${qv_bin}/styles
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qv_qt_bin}/Qt6Core.dll ${qv_qt_bin}/Qt6Gui.dll
          ${qv_qt_bin}/Qt6Widgets.dll ${qv_runtime_dlls} ${qv_picture_dlls} ${qv_bin}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qv_qt_root}/plugins/platforms/qwindows.dll
          ${qv_qt_root}/plugins/platforms/qoffscreen.dll ${qv_qt_root}/plugins/platforms/qminimal.dll
          ${qv_bin}/platforms
  # Without it Qt falls back to its classic Windows 95 look.
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qv_qt_root}/plugins/styles/qwindowsvistastyle.dll ${qv_bin}/styles
  COMMENT "Placing Qt, mingw, libjpeg and giflib DLLs beside the programs"
  VERBATIM)
# The tests need Qt6Test too, only they.
set(QUORVANE_QT_TEST_DLL ${qv_qt_bin}/Qt6Test.dll)

# The host's rcc compresses resources with zstd, which this Qt for Windows
# was built without: keep to zlib.
set(CMAKE_AUTORCC_OPTIONS --no-zstd)
