# Desktop integration, installation and the Debian package.
# Included from the top-level CMakeLists.txt after the program's targets.

include(GNUInstallDirs)

# The one reverse-DNS id that names the desktop entry, the icon, the AppStream
# metainfo and, through the generated header, the window's desktop file name.
set(TYRESCOPE_APP_ID "org.tyrescope.Tyrescope")

set(TYRESCOPE_UDEV_RULE "70-tyrescope.rules")
# Relative to the prefix, not CMAKE_INSTALL_LIBDIR: udev reads lib/udev/rules.d
# under /usr and /usr/local, never a multiarch directory.
set(TYRESCOPE_UDEV_RULES_DIR "lib/udev/rules.d"
    CACHE STRING "Where the receiver's udev rule is installed, relative to the prefix")
set(TYRESCOPE_ICON_SIZES 16 24 32 48 128)

set(_linux_assets "${PROJECT_SOURCE_DIR}/assets/linux")
set(_generated "${PROJECT_BINARY_DIR}/generated")

configure_file("${_linux_assets}/org.tyrescope.Tyrescope.desktop.in"
               "${_generated}/${TYRESCOPE_APP_ID}.desktop" @ONLY)
configure_file("${_linux_assets}/org.tyrescope.Tyrescope.metainfo.xml.in"
               "${_generated}/${TYRESCOPE_APP_ID}.metainfo.xml" @ONLY)
file(CONFIGURE OUTPUT "${_generated}/app/AppId.h" @ONLY CONTENT [[
#pragma once

// Generated from TYRESCOPE_APP_ID in cmake/Packaging.cmake. The desktop entry,
// the icon and the metainfo are installed under the same name, so this is
// what QGuiApplication::setDesktopFileName needs for Wayland to find them.
inline constexpr char TyrescopeAppId[] = "@TYRESCOPE_APP_ID@";
]])

add_library(tyrescope_appid INTERFACE)
target_include_directories(tyrescope_appid INTERFACE "${_generated}")
target_link_libraries(tyrescope PRIVATE tyrescope_appid)

install(TARGETS tyrescope RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${_generated}/${TYRESCOPE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${_generated}/${TYRESCOPE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
foreach(size IN LISTS TYRESCOPE_ICON_SIZES)
  install(FILES "${PROJECT_SOURCE_DIR}/assets/icons/tyrescope-${size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
          RENAME "${TYRESCOPE_APP_ID}.png")
endforeach()
install(FILES "${_linux_assets}/${TYRESCOPE_UDEV_RULE}"
        DESTINATION "${TYRESCOPE_UDEV_RULES_DIR}")

# Debian package: cpack -G DEB in the build tree, after the build. Packaging
# does not rebuild the whole tree first, so it works on a tree where only the
# installed targets are built, and a failing test target cannot stop it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_PACKAGE_NAME "tyrescope")
set(CPACK_PACKAGE_VENDOR "Tyrescope")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Tyrescope maintainers <maintainers@tyrescope.org>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_GENERATOR "DEB")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME "tyrescope")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tyrescope_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${PROJECT_DESCRIPTION}
Tyrescope tests the Rimlink receiver, a USB HID tyre-pressure (TPMS) receiver
that keeps the last data of five tyre sensors. It shows each sensor's
pressure, temperature, status, battery level and raw record, once or every
five seconds, in kPa, bar or psi and in degrees Celsius or Fahrenheit.
.
The package includes a udev rule that lets the user of the local session
open the receiver without root rights.")
# The libraries come from the binary itself. The window's texts ask for Arial,
# which Liberation Sans stands in for with the same metrics, so the layout holds.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${_linux_assets}/postinst;${_linux_assets}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
