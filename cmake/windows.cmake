# SPDX-License-Identifier: MIT
# The `windows` preset's toolchain: mingw-w64 (cmake/mingw-w64.cmake) with the
# Qt and hidapi that scripts/windows builds and caches, whose folders it passes
# as TYRESCOPE_WINDOWS_QT and TYRESCOPE_WINDOWS_HIDAPI. Programs built here run
# under Wine: tests/windows/wine-run.sh starts them for CTest and for the build
# steps that run a program of the build (pack_pictures).
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")

foreach(part QT HIDAPI)
  if(NOT IS_DIRECTORY "${TYRESCOPE_WINDOWS_${part}}")
    message(FATAL_ERROR "TYRESCOPE_WINDOWS_${part} does not name a folder: "
                        "scripts/windows --prepare builds it and prints its name")
  endif()
  list(APPEND CMAKE_FIND_ROOT_PATH "${TYRESCOPE_WINDOWS_${part}}")
endforeach()
# The settings try_compile projects need too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TYRESCOPE_WINDOWS_QT TYRESCOPE_WINDOWS_HIDAPI)

# moc, rcc and uic are Debian's, of the same Qt version.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run.sh"
    "${CMAKE_BINARY_DIR}/wine" "${TYRESCOPE_WINDOWS_QT}")

# GCC 12 at -O3 sees std::string's own copies as overlapping (GCC bug 105329) and
# -Werror would stop the build on it.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-restrict")
