# SPDX-License-Identifier: MIT
# Warnings are set per target so that third-party code pulled in later is not
# held to them.
function(tyrescope_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(TYRESCOPE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

option(TYRESCOPE_WERROR "Treat compiler warnings as errors" OFF)

# Every part of the program is a static library so that tests link exactly
# what they exercise.
function(tyrescope_library target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  tyrescope_warnings(${target})
endfunction()

# Parts of the program it loads only when a run needs them (app/Modules.h), on
# Linux: the window and the results store. They live where the package
# installs them, relative to the program, in the build tree too.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  include(GNUInstallDirs)
  set(TYRESCOPE_MODULE_DIR "${CMAKE_INSTALL_LIBDIR}/tyrescope")
  file(RELATIVE_PATH TYRESCOPE_MODULE_DIR_FROM_PROGRAM "${CMAKE_INSTALL_FULL_BINDIR}"
       "${CMAKE_INSTALL_FULL_LIBDIR}/tyrescope")
endif()
#   tyrescope_module(TARGET FILE_NAME SOURCES a.cpp ... LIBS lib ...)
function(tyrescope_module target file)
  cmake_parse_arguments(M "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${target} MODULE ${M_SOURCES})
  target_link_libraries(${target} PRIVATE ${M_LIBS})
  # Its copies of the static libraries are its own, not the program's.
  target_link_options(${target} PRIVATE LINKER:--exclude-libs,ALL)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${file}
    LIBRARY_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/${TYRESCOPE_MODULE_DIR}")
  tyrescope_warnings(${target})
endfunction()

# A QtTest executable registered with CTest. Widget tests need no display; every
# test finds the locales compiled into the build tree (tests/CMakeLists.txt).
# The label `windows` marks a test that runs under Wine as well: the Windows
# build (preset `windows`) builds and registers only those, the rest only on
# request.
#   tyrescope_test(NAME SOURCES a.cpp ... LIBS lib ... [LABELS l ...])
function(tyrescope_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  qt_add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  target_compile_definitions(${name} PRIVATE
    TYRESCOPE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  tyrescope_warnings(${name})
  if(WIN32)
    if(NOT "windows" IN_LIST T_LABELS)
      set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
      return()
    endif()
    add_dependencies(windows_tests ${name})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(environment "QT_QPA_PLATFORM=offscreen")
  if(TYRESCOPE_TEST_LOCPATH)
    list(APPEND environment "LOCPATH=${TYRESCOPE_TEST_LOCPATH}")
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${environment}"
    LABELS "${T_LABELS}"
    TIMEOUT 120)
endfunction()
