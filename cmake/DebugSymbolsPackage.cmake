# SPDX-License-Identifier: MIT
# Run by CPack once it has made the packages (CPACK_POST_BUILD_SCRIPTS).
# CPack's -dbgsym package lists its file in md5sums under the absolute path it
# had while being built, and has no copyright or changelog. This rebuilds it
# with the checksums of what it holds and with its documentation folder
# pointing at the program's, as Debian's own -dbgsym packages have it.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.ddeb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${tree}" "${tree}/usr/*")
  list(SORT files)
  set(md5sums "")
  foreach(f IN LISTS files)
    # Data for the debugger, not programs.
    file(CHMOD "${tree}/${f}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    file(MD5 "${tree}/${f}" sum)
    string(APPEND md5sums "${sum}  ${f}\n")
  endforeach()
  file(WRITE "${tree}/DEBIAN/md5sums" "${md5sums}")

  file(MAKE_DIRECTORY "${tree}/usr/share/doc")
  file(CREATE_LINK "${CPACK_DEBIAN_PACKAGE_NAME}"
       "${tree}/usr/share/doc/${CPACK_DEBIAN_PACKAGE_NAME}-dbgsym" SYMBOLIC)

  execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
