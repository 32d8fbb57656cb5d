# SPDX-License-Identifier: MIT
# Run at install time (cmake/WindowsPackage.cmake): copies into DESTINATION every DLL
# that the FILES import, and those DLLs import in turn, found in FOLDERS. A DLL found
# in none of them is Windows' own. Windows compares DLL names without case; the
# folders here are on Linux, so they are searched that way by hand (CMake's
# file(GET_RUNTIME_DEPENDENCIES) looks for the lower-case name only). Then every DLL
# under DESTINATION, the plugins too, loses its symbols, as the program does.
#   tyrescope_install_dlls(OBJDUMP tool STRIP tool DESTINATION dir FILES f... FOLDERS d...)
# Install scripts run without the project's policies: this file brings its own.
cmake_policy(PUSH)
cmake_policy(VERSION 3.25)
function(tyrescope_install_dlls)
  cmake_parse_arguments(A "" "OBJDUMP;STRIP;DESTINATION" "FILES;FOLDERS" ${ARGN})
  set(known "")
  foreach(folder IN LISTS A_FOLDERS)
    file(GLOB dlls "${folder}/*.dll")
    foreach(dll IN LISTS dlls)
      get_filename_component(name "${dll}" NAME)
      string(TOLOWER "${name}" key)
      if(NOT DEFINED found_${key})
        set(found_${key} "${dll}")
      endif()
    endforeach()
  endforeach()
  set(pending ${A_FILES})
  set(copied "")
  while(pending)
    list(POP_FRONT pending file)
    execute_process(COMMAND "${A_OBJDUMP}" -p "${file}" OUTPUT_VARIABLE dump
                    COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
    foreach(import IN LISTS imports)
      string(REPLACE "DLL Name: " "" name "${import}")
      string(TOLOWER "${name}" key)
      if(DEFINED found_${key} AND NOT key IN_LIST copied)
        list(APPEND copied "${key}")
        list(APPEND pending "${found_${key}}")
        file(INSTALL "${found_${key}}" DESTINATION "${A_DESTINATION}")
      endif()
    endforeach()
  endwhile()
  file(GLOB_RECURSE installed "${A_DESTINATION}/*.dll" "${A_DESTINATION}/*.exe")
  foreach(dll IN LISTS installed)
    execute_process(COMMAND "${A_STRIP}" --strip-unneeded "${dll}" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endfunction()
cmake_policy(POP)
