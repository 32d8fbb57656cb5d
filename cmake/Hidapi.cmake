# SPDX-License-Identifier: MIT
# hidapi as the target Tyrescope::hidapi, the one place that knows which
# backend each system uses: hidraw on Linux (Debian's package, through
# pkg-config), the Windows backend on Windows (hidapi's own CMake package, as
# scripts/windows builds it).
add_library(Tyrescope::hidapi INTERFACE IMPORTED)
if(WIN32)
  find_package(hidapi 0.13 REQUIRED CONFIG)
  target_link_libraries(Tyrescope::hidapi INTERFACE hidapi::winapi)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET hidapi-hidraw)
  target_link_libraries(Tyrescope::hidapi INTERFACE PkgConfig::HIDAPI)
endif()
