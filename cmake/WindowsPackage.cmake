# SPDX-License-Identifier: MIT
# tyrescope-VERSION-windows-x64.zip (`cpack -G ZIP` in build/windows, as
# scripts/windows does): the program, the DLLs and Qt plugins it loads and
# nothing else, and the licence texts of what it carries. Included from
# cmake/Packaging.cmake in the `windows` preset's build.

# The Qt plugins the program loads: the platform alone, since the window takes
# the style it has on Linux, Fusion, which Qt Widgets holds (app/Platform.cpp).
# Their DLLs and the program's are found from what each one imports.
set(TYRESCOPE_WINDOWS_PLUGINS platforms/qwindows)

install(TARGETS tyrescope RUNTIME DESTINATION .)
set(_plugin_files "")
foreach(plugin IN LISTS TYRESCOPE_WINDOWS_PLUGINS)
  get_filename_component(_folder "${plugin}" DIRECTORY)
  set(_file "${TYRESCOPE_WINDOWS_QT}/plugins/${plugin}.dll")
  install(FILES "${_file}" DESTINATION "${_folder}")
  list(APPEND _plugin_files "${_file}")
endforeach()

# mingw-w64's C++, gcc and thread runtimes, wherever the compiler keeps them.
set(_dll_folders "${TYRESCOPE_WINDOWS_QT}/bin")
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${runtime}
                  OUTPUT_VARIABLE _found OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(_found "${_found}" DIRECTORY)
  get_filename_component(_found "${_found}" REALPATH)
  list(APPEND _dll_folders "${_found}")
endforeach()
list(REMOVE_DUPLICATES _dll_folders)

# Beside the program, each DLL that it or a plugin loads (cmake/WindowsDlls.cmake).
install(CODE "
  include(\"${CMAKE_CURRENT_LIST_DIR}/WindowsDlls.cmake\")
  tyrescope_install_dlls(OBJDUMP \"${CMAKE_OBJDUMP}\" STRIP \"${CMAKE_STRIP}\"
    DESTINATION \"\${CMAKE_INSTALL_PREFIX}\"
    FILES \"$<TARGET_FILE:tyrescope>\" ${_plugin_files}
    FOLDERS ${_dll_folders})
")

install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
install(DIRECTORY "${TYRESCOPE_WINDOWS_QT}/licenses/" DESTINATION licenses/qt)
install(DIRECTORY "${TYRESCOPE_WINDOWS_HIDAPI}/licenses/" DESTINATION licenses/hidapi)
# winpthreads asks for its notice to travel with it; Debian's copyright file has it.
install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright
        DESTINATION licenses/mingw-w64 RENAME copyright.txt)

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tyrescope)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "tyrescope-${PROJECT_VERSION}-windows-x64")
set(CPACK_STRIP_FILES ON)
include(CPack)
