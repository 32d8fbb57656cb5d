# SPDX-License-Identifier: MIT
# Builds the program the way Debian builds its packages (the flags of
# dpkg-buildflags with hardening=+all on Debian 12, spelled out so the build
# does not depend on dpkg-dev): stack protector, fortified libc calls, format
# checks, and a dynamic section the loader makes read-only after resolving
# every symbol at start-up. The release preset turns it on.
option(TYRESCOPE_HARDENING "Compile and link with Debian's hardening flags" OFF)

if(TYRESCOPE_HARDENING)
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "TYRESCOPE_HARDENING needs GCC or Clang on Linux")
  endif()
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
  # glibc fortifies only optimised code and warns otherwise.
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
